#pragma once

#include <memory>
#include <utility>

#include <QString>
#include <QtGlobal>

namespace platform {

class FileDescriptor;

// Which file a name leads to, so that a later step can make sure it still acts on the file it made.
// The file is held open meanwhile, so that its inode number cannot be given to another file.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    std::shared_ptr<const FileDescriptor> held;
    bool known() const { return inode != 0; }
};

// Every operation reports its outcome; nothing throws past this layer. The callers decide what the
// user is told, so the reason is plain text they can show as it is.
struct FsResult {
    bool ok = true;
    QString reason;       // empty when ok
    FileIdentity written; // the file now under the target name of a copy or move
    // A move that failed after its copy was complete: the source is still in place and a whole copy of
    // it bears the target name (another program changed the source, or the copy could not be removed).
    bool copyLeft = false;
    // Refused because the name no longer leads to the expected file: another program replaced or
    // removed it.
    bool replaced = false;
    // A rename that could be neither done nor undone: the file is now under this hidden name.
    QString strandedAt;

    static FsResult failure(QString why)
    {
        FsResult result;
        result.ok = false;
        result.reason = std::move(why);
        return result;
    }
};

} // namespace platform
