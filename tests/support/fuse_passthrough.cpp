// A FUSE volume that hands each request on to a directory, as a network share's FUSE server does (sshfs):
// the library numbers every name itself, so a hard link shows a number of its own, and a rename that
// must not replace is refused. It mounts, then leaves for the background like any FUSE server.
//
//     fuse_passthrough [-o latency_us=N] [-o counts=PATH] [FUSE options] ROOT MOUNTPOINT
//
// latency_us: every request waits that long first, as over a slow network.
// counts: the requests answered so far, by kind, kept in that file as fuse_request_counts.h lays it out.
// Only requests that reach this server are counted and wait; those the library answers itself
// (opening and closing a directory, the later parts of a listing) do neither.
#define FUSE_USE_VERSION 31

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <fuse.h>

#include "fuse_request_counts.h"

namespace {

using fusecounts::Kind;

int root = -1; // the directory served; opened before the server changes to "/" in the background

struct Settings {
    unsigned latency = 0;
    char* counts = nullptr; // path of the counts file
};
Settings settings;
// Mapped shared, so that a reader sees each count as it changes.
std::uint64_t* counts = nullptr;

// Paths from the library begin with "/"; below the root they are relative.
const char* below(const char* path)
{
    return path[1] == '\0' ? "." : path + 1;
}

void arrive(Kind kind)
{
    if (counts != nullptr)
        __atomic_fetch_add(&counts[kind], 1, __ATOMIC_RELAXED);
    if (settings.latency != 0)
        ::usleep(settings.latency);
}

bool mapCounts(const char* path)
{
    const std::size_t bytes = fusecounts::KindCount * sizeof(std::uint64_t);
    const int fd = ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::ftruncate(fd, off_t(bytes)) != 0) {
        std::perror(path);
        return false;
    }
    void* mapped = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (mapped == MAP_FAILED) {
        std::perror(path);
        return false;
    }
    counts = static_cast<std::uint64_t*>(mapped);
    return true;
}

// FUSE wants the error negated rather than in errno.
int answer(long result)
{
    return result < 0 ? -errno : int(result);
}

int openedAs(int fd, fuse_file_info* fi)
{
    if (fd < 0)
        return -errno;
    fi->fh = uint64_t(fd);
    return 0;
}

fuse_operations operations()
{
    fuse_operations ops{};
    ops.init = [](fuse_conn_info*, fuse_config* config) -> void* {
        // No use_ino: a name's number is the library's, as on a network share, never the inode's below.
        config->use_ino = 0;
        return nullptr;
    };
    ops.getattr = [](const char* path, struct stat* st, fuse_file_info*) {
        arrive(fusecounts::Getattr);
        return answer(::fstatat(root, below(path), st, AT_SYMLINK_NOFOLLOW));
    };
    ops.readlink = [](const char* path, char* buffer, size_t size) {
        arrive(fusecounts::Other);
        const ssize_t length = ::readlinkat(root, below(path), buffer, size - 1);
        if (length < 0)
            return -errno;
        buffer[length] = '\0';
        return 0;
    };
    ops.mkdir = [](const char* path, mode_t mode) {
        arrive(fusecounts::Other);
        return answer(::mkdirat(root, below(path), mode));
    };
    ops.unlink = [](const char* path) {
        arrive(fusecounts::Other);
        return answer(::unlinkat(root, below(path), 0));
    };
    ops.rmdir = [](const char* path) {
        arrive(fusecounts::Other);
        return answer(::unlinkat(root, below(path), AT_REMOVEDIR));
    };
    ops.symlink = [](const char* target, const char* path) {
        arrive(fusecounts::Other);
        return answer(::symlinkat(target, root, below(path)));
    };
    ops.rename = [](const char* from, const char* to, unsigned flags) {
        arrive(fusecounts::Other);
        // sshfs has no way to pass a flag on to the server, so it refuses them all.
        if (flags != 0)
            return -EINVAL;
        return answer(::renameat(root, below(from), root, below(to)));
    };
    ops.link = [](const char* from, const char* to) {
        arrive(fusecounts::Other);
        return answer(::linkat(root, below(from), root, below(to), 0));
    };
    ops.chmod = [](const char* path, mode_t mode, fuse_file_info*) {
        arrive(fusecounts::Other);
        return answer(::fchmodat(root, below(path), mode, 0));
    };
    ops.truncate = [](const char* path, off_t size, fuse_file_info* fi) {
        arrive(fusecounts::Other);
        if (fi != nullptr)
            return answer(::ftruncate(int(fi->fh), size));
        const int fd = ::openat(root, below(path), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return -errno;
        const int result = answer(::ftruncate(fd, size));
        ::close(fd);
        return result;
    };
    ops.utimens = [](const char* path, const timespec times[2], fuse_file_info*) {
        arrive(fusecounts::Other);
        return answer(::utimensat(root, below(path), times, AT_SYMLINK_NOFOLLOW));
    };
    ops.open = [](const char* path, fuse_file_info* fi) {
        arrive(fusecounts::Open);
        return openedAs(::openat(root, below(path), fi->flags | O_CLOEXEC), fi);
    };
    ops.create = [](const char* path, mode_t mode, fuse_file_info* fi) {
        arrive(fusecounts::Create);
        return openedAs(::openat(root, below(path), fi->flags | O_CREAT | O_CLOEXEC, mode), fi);
    };
    ops.read = [](const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
        arrive(fusecounts::Read);
        return answer(::pread(int(fi->fh), buffer, size, offset));
    };
    ops.write = [](const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
        arrive(fusecounts::Write);
        return answer(::pwrite(int(fi->fh), buffer, size, offset));
    };
    ops.statfs = [](const char*, struct statvfs* st) {
        arrive(fusecounts::Statfs);
        return answer(::fstatvfs(root, st));
    };
    ops.release = [](const char*, fuse_file_info* fi) {
        arrive(fusecounts::Release);
        return answer(::close(int(fi->fh)));
    };
    ops.fsync = [](const char*, int dataOnly, fuse_file_info* fi) {
        arrive(fusecounts::Other);
        return answer(dataOnly != 0 ? ::fdatasync(int(fi->fh)) : ::fsync(int(fi->fh)));
    };
    // A part of the directory per request, from where the last part ended, as a network server sends it
    // in packets: a long listing costs one wait per part.
    ops.readdir = [](const char* path, void* buffer, fuse_fill_dir_t fill, off_t from, fuse_file_info*,
                     fuse_readdir_flags) {
        arrive(fusecounts::Readdir);
        const int fd = ::openat(root, below(path), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (dir == nullptr) {
            const int error = errno;
            if (fd >= 0)
                ::close(fd);
            return -error;
        }
        if (from != 0)
            ::seekdir(dir, long(from));
        // Each entry's kind goes with its name, as sshfs, NFS and CIFS give it: a listing needs no look at each name.
        while (const dirent* entry = ::readdir(dir)) {
            struct stat kind {};
            kind.st_mode = DTTOIF(entry->d_type);
            if (fill(buffer, entry->d_name, &kind, entry->d_off, fuse_fill_dir_flags(0)) != 0)
                break;
        }
        ::closedir(dir);
        return 0;
    };
    return ops;
}

// The first word that is no option names the root; the rest go on to FUSE.
int takeRoot(void*, const char* argument, int key, fuse_args*)
{
    if (key != FUSE_OPT_KEY_NONOPT || root >= 0)
        return 1;
    root = ::open(argument, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        std::perror(argument);
    return root < 0 ? -1 : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    fuse_args args = FUSE_ARGS_INIT(argc, argv);
    const fuse_opt options[] = {
        {"latency_us=%u", offsetof(Settings, latency), 0}, {"counts=%s", offsetof(Settings, counts), 0}, FUSE_OPT_END};
    if (fuse_opt_parse(&args, &settings, options, takeRoot) != 0 || root < 0) {
        std::fprintf(stderr, "usage: %s [-o latency_us=N] [-o counts=PATH] [FUSE options] ROOT MOUNTPOINT\n", argv[0]);
        return 1;
    }
    if (settings.counts != nullptr && !mapCounts(settings.counts))
        return 1;
    const fuse_operations ops = operations();
    const int status = fuse_main(args.argc, args.argv, &ops, nullptr);
    fuse_opt_free_args(&args);
    return status;
}
