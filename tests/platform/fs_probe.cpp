// Copies or moves a file and prints the outcome, so that a test can run it as another user or have it
// killed before any one of its system calls (counted from 0; -1 for none):
//   fs_probe KILL-BEFORE-CALL|-1 copy|move SOURCE TARGET
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QString>

#include "platform/os/posix_file_system.h"

struct Killer final : platform::SystemCallHook {
    int at = -1;
    int made = 0;
    int before(platform::SystemCall, const QByteArray&) override { return made++ == at ? std::raise(SIGKILL) : 0; }
};

int main(int argc, char* argv[])
{
    if (argc != 5)
        return 2;
    std::setlocale(LC_ALL, ""); // the reasons in the user's language, as the program gives them
    Killer killer;
    killer.at = std::atoi(argv[1]);
    platform::PosixFileSystem fileSystem(&killer);
    const QString source = QString::fromLocal8Bit(argv[3]), target = QString::fromLocal8Bit(argv[4]);
    const platform::FsResult result = std::strcmp(argv[2], "copy") == 0 ? fileSystem.copyFile(source, target)
                                                                        : fileSystem.moveFile(source, target, {});
    std::printf("%s\n", result.ok ? "ok" : qPrintable(result.reason));
    return result.ok ? 0 : 1;
}
