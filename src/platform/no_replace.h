#pragma once

#include "platform/file_system.h"

// File writes that can never replace an existing file, not even when another program creates the
// target between our look-up and the write.
namespace platform::noreplace {

// Writes into an anonymous (or exclusively created) temporary file in the target directory and gives
// it its name only once complete, flushed and of the source's size; a failure leaves nothing behind.
FsResult copyFile(const QString& source, const QString& target);
// A rename, also into another directory; across file systems (or where the file system has no rename
// that refuses to replace) a copy as above followed by the removal of the source.
FsResult moveFile(const QString& source, const QString& target);
FsResult removeFile(const QString& path);

} // namespace platform::noreplace
