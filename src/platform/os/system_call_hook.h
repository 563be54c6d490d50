#pragma once

#include <QByteArray>

namespace platform {

// The system calls the writes make, and every read of a directory, for a test to fail, race or count.
enum class SystemCall { Open, Write, Fsync, Fchmod, Linkat, Renameat2, Link, Rename, Unlink, Symlink, OpenDirectory };

class SystemCallHook {
public:
    virtual ~SystemCallHook() = default;
    // Runs before each such call with the path it names (empty for one on a descriptor); an errno value
    // makes the call fail with it, untried.
    virtual int before(SystemCall call, const QByteArray& path) = 0;
};

} // namespace platform
