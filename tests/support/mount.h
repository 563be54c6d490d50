#pragma once

#include <cerrno>
#include <cstring>

#include <sys/mount.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

namespace testsupport {

// A small tmpfs (or a read-only bind mount) for the length of a test; skipped where mounting is denied.
class Mount {
public:
    Mount(const QString& at, const char* options, const QString& bindFrom = QString()) : at_(QFile::encodeName(at))
    {
        if (bindFrom.isEmpty()) {
            mounted_ = ::mount("tmpfs", at_.constData(), "tmpfs", 0, options) == 0;
            return;
        }
        mounted_ = ::mount(QFile::encodeName(bindFrom).constData(), at_.constData(), nullptr, MS_BIND, nullptr) == 0 &&
                   ::mount(nullptr, at_.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    ~Mount()
    {
        if (mounted_)
            ::umount2(at_.constData(), MNT_DETACH);
    }
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    bool mounted() const { return mounted_; }

private:
    QByteArray at_;
    bool mounted_ = false;
};

} // namespace testsupport

#define SKIP_UNLESS_MOUNTED(mount)                                                                                     \
    if (!(mount).mounted())                                                                                            \
    GTEST_SKIP() << "cannot mount here: " << std::strerror(errno)
