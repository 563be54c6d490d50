// Runs file operations and prints each outcome, so that a test can run them as another user or kill
// them half-way.
//   fs_probe copy|move SOURCE TARGET [SOURCE TARGET ...]     fs_probe remove PATH
#include <clocale>
#include <cstdio>
#include <cstring>

#include <QString>

#include "platform/os/file_system.h"

int main(int argc, char* argv[])
{
    if (argc < 3)
        return 2;
    std::setlocale(LC_ALL, ""); // the reasons in the user's language, as the program gives them
    platform::PosixFileSystem fileSystem;
    const char* operation = argv[1];
    if (std::strcmp(operation, "remove") == 0) {
        const platform::FsResult result = fileSystem.removeFile(QString::fromLocal8Bit(argv[2]), {});
        std::printf("%s\n", result.ok ? "ok" : qPrintable(result.reason));
        return result.ok ? 0 : 1;
    }
    const bool copy = std::strcmp(operation, "copy") == 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        const QString source = QString::fromLocal8Bit(argv[i]);
        const QString target = QString::fromLocal8Bit(argv[i + 1]);
        const platform::FsResult result =
            copy ? fileSystem.copyFile(source, target) : fileSystem.moveFile(source, target, {});
        std::printf("%s\n", result.ok ? "ok" : qPrintable(result.reason));
        std::fflush(stdout);
        if (!result.ok)
            return 1;
    }
    return 0;
}
