// Copies or moves files and prints each outcome, so that a test can run them as another user or have
// them killed before any one of their system calls (counted from 0; -1 for none):
//   fs_probe KILL-BEFORE-CALL|-1 copy|move SOURCE TARGET [SOURCE TARGET ...]
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QString>

#include "platform/os/file_system.h"

struct Killer final : platform::SystemCallHook {
    int at = -1;
    int made = 0;
    int before(platform::SystemCall, const QByteArray&) override { return made++ == at ? std::raise(SIGKILL) : 0; }
};

int main(int argc, char* argv[])
{
    if (argc < 5)
        return 2;
    std::setlocale(LC_ALL, ""); // the reasons in the user's language, as the program gives them
    Killer killer;
    killer.at = std::atoi(argv[1]);
    platform::PosixFileSystem fileSystem(&killer);
    const bool copy = std::strcmp(argv[2], "copy") == 0;
    for (int i = 3; i + 1 < argc; i += 2) {
        const QString source = QString::fromLocal8Bit(argv[i]), target = QString::fromLocal8Bit(argv[i + 1]);
        const platform::FsResult result =
            copy ? fileSystem.copyFile(source, target) : fileSystem.moveFile(source, target, {});
        std::printf("%s\n", result.ok ? "ok" : qPrintable(result.reason));
        if (!result.ok)
            return 1;
    }
    return 0;
}
