#pragma once

#include <chrono>

#include <QByteArray>
#include <QList>
#include <QString>

#include "platform/os/volume.h"

namespace platform {

// One mount a user could pick as a volume, as /proc/self/mountinfo describes it.
struct MountedFileSystem {
    QString rootPath; // where it is mounted
    QString type;     // e.g. "ext4", "tmpfs", "fuse.fusefat"
    QString device;   // the mount's source, e.g. "/dev/sda1"; for many file systems a free-form name
};

// The mounts of a mountinfo text that can be volumes, one per root in the order of their first mount:
// the last mount on a root hides those before it. Kernel file systems (under /dev, /proc, /sys,
// /var/run, /var/lock, or of type rootfs) are left out, and so is a mount point that would not read back
// under its own name. "/" is always among them, even in a chroot whose root is no mount.
QList<MountedFileSystem> volumeCandidates(const QByteArray& mountinfo);

// The mount `path` (absolute, canonical) lies on: the candidate with the longest root at or above it.
MountedFileSystem mountAt(const QList<MountedFileSystem>& candidates, const QString& path);

// Whether the volume is one Windows reads and so takes only the names Windows takes: FAT, exFAT and
// NTFS, by kernel or FUSE, and SMB shares. ntfs-3g names no type of its own when it serves an image,
// so a plain FUSE mount of an image or device is judged by its boot sector.
bool takesOnlyWindowsNames(const MountedFileSystem& mount);

// The mounted volumes that answer a statfs within `patience` in all, in list order of their roots,
// with labels from /dev/disk/by-label. "/" is always offered. Every volume is asked on a thread of its
// own, so a volume whose file server hangs (a stopped FUSE daemon, a dead network share) costs at most
// `patience`: it is left out, and its thread is left behind, never waited for.
QList<Volume> mountedVolumes(std::chrono::milliseconds patience);

} // namespace platform
