#include "share.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>

#include "harness.h"

namespace portraitbench {

namespace {

// Where a share is mounted while the bench runs, so that a failure on the way out leaves none behind.
std::string mountedShare;

void detach(const std::string& mountPoint)
{
    if (::umount2(mountPoint.c_str(), MNT_DETACH) == 0)
        return;
    // An ordinary user's FUSE mount is undone by the helper that made it.
    QProcess::execute(QStringLiteral("fusermount3"),
                      {QStringLiteral("-u"), QStringLiteral("-z"), QString::fromStdString(mountPoint)});
}

void detachLeftShare()
{
    if (!mountedShare.empty())
        detach(mountedShare);
}

} // namespace

std::uint64_t Requests::total() const
{
    std::uint64_t sum = 0;
    for (const std::uint64_t count : byKind)
        sum += count;
    return sum;
}

Requests Requests::operator-(const Requests& earlier) const
{
    Requests difference;
    for (std::size_t k = 0; k < byKind.size(); ++k)
        difference.byKind[k] = byKind[k] - earlier.byKind[k];
    return difference;
}

std::string Requests::text() const
{
    std::string words;
    for (std::size_t k = 0; k < byKind.size(); ++k)
        if (byKind[k] != 0)
            words +=
                (words.empty() ? "" : ", ") + std::string(fusecounts::KindNames[k]) + ' ' + std::to_string(byKind[k]);
    return words.empty() ? "none" : words;
}

Requests readRequests(const std::string& countsFile)
{
    Requests requests;
    const int fd = ::open(countsFile.c_str(), O_RDONLY | O_CLOEXEC);
    const auto bytes = ssize_t(sizeof requests.byKind);
    if (fd < 0 || ::pread(fd, requests.byKind.data(), std::size_t(bytes), 0) != bytes)
        fail("cannot read the share's request counts in " + countsFile);
    ::close(fd);
    return requests;
}

Share::Share(std::string root, std::string mountPoint, std::string scratch)
    : root_(std::move(root)), mountPoint_(std::move(mountPoint)), scratch_(std::move(scratch))
{
    static const bool registered = std::atexit(detachLeftShare) == 0;
    (void)registered;
}

std::string Share::mount(double latencyMs)
{
    unmount();
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return std::string("/dev/fuse: ") + std::strerror(errno);
    countsFile_ = joined(scratch_, "requests-" + std::to_string(++mounts_));
    if (const std::string why = startServer(latencyMs); !why.empty())
        return why;
    struct stat mounted {};
    struct stat beneath {};
    if (::stat(mountPoint_.c_str(), &mounted) != 0 || ::stat(scratch_.c_str(), &beneath) != 0 ||
        mounted.st_dev == beneath.st_dev) {
        detach(mountPoint_);
        return "no share appeared at " + mountPoint_;
    }
    mountedShare = mountPoint_;
    return {};
}

// Nothing once the server has mounted the share; else why not.
std::string Share::startServer(double latencyMs)
{
    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(QStringLiteral(FUSE_PASSTHROUGH),
                 {QStringLiteral("-o"), QStringLiteral("latency_us=%1").arg(std::lround(latencyMs * 1000)),
                  QStringLiteral("-o"), QStringLiteral("counts=") + QString::fromStdString(countsFile_),
                  QString::fromStdString(root_), QString::fromStdString(mountPoint_)});
    // The server leaves for the background once the share is mounted.
    if (!server.waitForFinished(30000) || server.exitStatus() != QProcess::NormalExit || server.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(server.readAll()).trimmed();
        server.kill();
        return std::string(FUSE_PASSTHROUGH) +
               " did not mount it: " + (said.isEmpty() ? server.errorString() : said).toStdString();
    }
    return {};
}

void Share::unmount()
{
    if (mountedShare != mountPoint_)
        return;
    detach(mountPoint_);
    mountedShare.clear();
}

std::string Share::path(const std::string& name) const
{
    return joined(mountPoint_, name);
}

std::string Share::beneath(const std::string& name) const
{
    return joined(root_, name);
}

} // namespace portraitbench
