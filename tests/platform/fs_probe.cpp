// Runs one file operation and prints its outcome, so that a test can run it as another user.
//   fs_probe copy|move SOURCE TARGET     fs_probe remove PATH
#include <cstdio>
#include <cstring>

#include <QString>

#include "platform/file_system.h"

int main(int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    platform::PosixFileSystem fileSystem;
    const QString first = QString::fromLocal8Bit(argv[2]);
    const QString second = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    const char* operation = argv[1];
    const platform::FsResult result = std::strcmp(operation, "copy") == 0   ? fileSystem.copyFile(first, second)
                                      : std::strcmp(operation, "move") == 0 ? fileSystem.moveFile(first, second)
                                                                            : fileSystem.removeFile(first);
    std::printf("%s\n", result.ok ? "ok" : qPrintable(result.reason));
    return result.ok ? 0 : 1;
}
