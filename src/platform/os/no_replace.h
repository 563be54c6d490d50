#pragma once

#include <QString>

#include "platform/os/fs_result.h"
#include "platform/os/system_call_hook.h"

// File writes that never replace an existing file, not even when another program creates the target
// between our look-up and the write, and that never leave a partial file under a target name, not even
// when the program is killed half-way. `hook` (a test's, or null) sees every system call they make.
namespace platform::noreplace {

// Fills an anonymous (or else a hidden, exclusively created) file in the target directory and gives it
// its name only once it is whole, flushed and read from a source that did not change meanwhile.
FsResult copyFile(const QString& source, const QString& target, SystemCallHook* hook);
// A rename, also into another directory; across file systems a copy as above, then the removal of the
// source if it is still the very file that was read, unchanged. A known `expected` identity makes it act
// only while `source` still leads to that file.
FsResult moveFile(const QString& source, const QString& target, const FileIdentity& expected, SystemCallHook* hook);
FsResult removeFile(const QString& path, const FileIdentity& expected, SystemCallHook* hook);

} // namespace platform::noreplace
