#pragma once

#include <QString>
#include <QStringList>

#include "operations/manager_variables.h"
#include "platform/os/file_system.h"

namespace operations {

// What the set operations may see and do of the manager window: its variables, the entries of its
// source list and the selection there, re-reading either list, the directories they show, the target
// labels, and its two shared routines.
class ManagerView {
public:
    virtual ~ManagerView() = default;

    virtual ManagerVariables& windowVariables() = 0;
    // -1 when no entry is selected.
    virtual int selectedEntry() const = 0;
    virtual int entryCount() const = 0;
    virtual QString entry(int index) const = 0;
    // As a click on the entry: the manager's selection handler runs before this returns.
    virtual void selectEntry(int index) = 0;
    // A list reads its directory again and drops its selection, running no handler.
    virtual void rereadSourceFiles() = 0;
    virtual void rereadDestinationFiles() = 0;
    virtual QString sourceDirectory() const = 0;
    virtual QString destinationDirectory() const = 0;
    virtual void showTargets(const QString& largeTarget, const QString& smallTarget) = 0;
    virtual void find_next_name() = 0;
    virtual void refresh_form() = 0;
};

// What choosing entry `index` of the source list records, for the manager and for every stand-in for it:
// the set's names and paths, its small picture found as every window finds it. False when the set has none
// (the marker stands in).
bool recordSelectedSet(ManagerVariables& v, const platform::FileSystem& fileSystem, const QString& directory,
                       const QStringList& entries, int index);

} // namespace operations
