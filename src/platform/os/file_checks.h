#pragma once

#include <memory>
#include <optional>

#include <sys/stat.h>

#include <QByteArray>

#include "platform/os/file_descriptor.h"
#include "platform/os/fs_result.h"
#include "platform/os/hooked_calls.h"

// What the writes look at before and after they act: which file a name leads to, whether it changed, and
// how they report.
namespace platform::noreplace {

FsResult failure(int error);
FsResult failure(const char* reason);

std::optional<struct stat> lstatOf(const QByteArray& path);
// fstat as the file's server knows it now: a network share may otherwise answer from attributes cached
// before another computer wrote to the file, and reads stop at the size cached.
int freshStat(int fd, struct stat& st);
bool sameInode(const struct stat& a, const struct stat& b);
// The file `held` is open on, held for as long as the identity lives.
FileIdentity identityOf(const std::shared_ptr<FileDescriptor>& held);
// `st` is of the file `identity` names.
bool isFile(const struct stat& st, const FileIdentity& identity);
bool leadsTo(const QByteArray& path, const FileIdentity& identity);
// What an edit in place changes, or a replacement. FAT keeps times to two seconds only, so there an
// edit of the same size within that moment goes unseen. A rename changes the change time too, so the
// check after one of ours leaves it out.
bool changed(const struct stat& before, const struct stat& after, bool countChangeTime = true);
// Both open files hold the same bytes; false where either cannot be read to its end.
bool sameBytes(int a, int b);
// The file system has no such call, or refuses it to everybody. (ENOTSUP is EOPNOTSUPP on Linux.)
bool unsupported(int error);

QByteArray encoded(const QString& path);
QByteArray parentOf(const QByteArray& path);
// A hidden name beside `path` that tells what it is, for the moments a file must have a name of its own.
QByteArray hiddenNameBeside(const QByteArray& path, const char* purpose);

bool sameFile(const QByteArray& a, const QByteArray& b);
// Many FUSE servers (sshfs, most pass-throughs) number inodes per name, so a name just linked to a file
// shows a number of its own. There what the server does keep tells: the kind, size and modification time.
bool sameFileRenumbered(const struct stat& a, const struct stat& b);

// The file a name leads to, held by a path descriptor: it pins the file without opening it, which a
// FUSE server never sees. Taken from the final name, since through FUSE a hard link or another
// spelling gets a number of its own.
std::shared_ptr<FileDescriptor> heldAt(const QByteArray& path);
FsResult written(const std::shared_ptr<FileDescriptor>& held);

// The file expected at `path` is not there any more: another program replaced or removed it.
FsResult gone(const QByteArray& path);
// A known `expected` identity: only while the name still leads to that file.
FsResult removeChecked(const Calls& calls, const QByteArray& path, const FileIdentity& expected);

} // namespace platform::noreplace
