#pragma once

#include <optional>

#include <QString>
#include <QVector>

namespace platform {
class Dialogs;
class FileSystem;
struct FsResult;
} // namespace platform

namespace operations {

class ManagerView;

// Copy, move, rename and delete of the set selected in the manager's source list. They never replace
// a file, never leave half a set behind, and tell the user about every file operation that fails.
class SetOperations {
public:
    SetOperations(ManagerView& manager, platform::FileSystem& fileSystem, platform::Dialogs& dialogs);

    void copySet();
    void moveSet();
    void renameSet();
    void deleteSet();

private:
    enum class Transfer { Copy, Move, Rename };
    // One file of the set: where it is, where it goes.
    struct Step {
        QString source;
        QString target;
        bool large;
    };
    // Where one file of the set is after a failure.
    struct Whereabouts {
        Step step;
        bool atSource;
        bool atTarget;
        QString elsewhere; // a hidden name it was left under instead of its source
    };

    void fileSet(Transfer transfer);
    bool refuseTakenTargets(const QVector<Step>& steps, const QString& directory, bool sameDirectory) const;
    bool runSteps(Transfer transfer, const QVector<Step>& steps);
    void reportFailure(Transfer transfer, const QVector<Step>& steps, const QVector<platform::FsResult>& done,
                       const platform::FsResult& failure);
    QVector<Whereabouts> whereabouts(const QVector<Step>& steps, const QVector<QString>& elsewhere, int ran,
                                     bool largeReplaced) const;
    bool isThere(const QString& path) const;
    static QString describe(const QVector<Whereabouts>& files, bool largeReplaced);
    std::optional<QString> askForStem(const QString& entry);
    void deleteFiles(const QString& entry);
    void reselect(int remembered);
    void showError(const QString& text) const;

    ManagerView& manager_;
    platform::FileSystem& fileSystem_;
    platform::Dialogs& dialogs_;
};

} // namespace operations
