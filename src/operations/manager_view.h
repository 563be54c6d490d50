#pragma once

#include <QString>

#include "manager/manager_variables.h"

namespace platform {
class FileListBox;
}

namespace operations {

// What the set operations may see and do of the manager window: its variables, its two file lists,
// the directories they show, the target labels, and its two shared routines.
class ManagerView {
public:
    virtual ~ManagerView() = default;

    virtual ManagerVariables& windowVariables() = 0;
    virtual platform::FileListBox& sourceFiles() = 0;
    virtual platform::FileListBox& destinationFiles() = 0;
    virtual QString sourceDirectory() const = 0;
    virtual QString destinationDirectory() const = 0;
    virtual void showTargets(const QString& largeTarget, const QString& smallTarget) = 0;
    virtual void find_next_name() = 0;
    virtual void refresh_form() = 0;
};

} // namespace operations
