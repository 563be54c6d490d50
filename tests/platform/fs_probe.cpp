// Copies or moves files and prints each outcome, then how many system calls the writes made, so that a
// test can run them as another user or kill them before any one of those calls:
//   fs_probe KILL-BEFORE-CALL|-1 copy|move SOURCE TARGET [SOURCE TARGET ...]
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QString>

#include "platform/os/file_system.h"

namespace {

class Killer final : public platform::SystemCallHook {
public:
    explicit Killer(int at) : at_(at) {}
    int before(platform::SystemCall, const QByteArray&) override
    {
        if (made++ == at_)
            std::raise(SIGKILL);
        return 0;
    }
    int made = 0;

private:
    int at_;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 5)
        return 2;
    std::setlocale(LC_ALL, ""); // the reasons in the user's language, as the program gives them
    Killer killer(std::atoi(argv[1]));
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
    std::printf("%d calls\n", killer.made);
    return 0;
}
