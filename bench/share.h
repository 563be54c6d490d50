#pragma once

// The slow share: our FUSE passthrough serving a directory, and the requests it answered.

#include <array>
#include <cstdint>
#include <string>

#include "support/fuse_request_counts.h"

namespace portraitbench {

// The kernel keeps what a FUSE server said of names and attributes for a second (the library's
// default) and file contents not at all; a user's pause between two actions outlasts that, so each
// action asks the share afresh, as the first one after mounting does.
constexpr int ShareLapseMs = 1500;

// Requests the passthrough answered, by kind, as its counts file holds them.
struct Requests {
    std::array<std::uint64_t, fusecounts::KindCount> byKind{};

    std::uint64_t total() const;
    Requests operator-(const Requests& earlier) const;
    // "getattr 1901, readdir 1, statfs 1": the kinds that occurred.
    std::string text() const;
};

Requests readRequests(const std::string& countsFile);

// Our FUSE passthrough serving `root` at `mountPoint`, mounted afresh for every run, with a counts file
// of its own each time.
class Share {
public:
    Share(std::string root, std::string mountPoint, std::string scratch);
    ~Share() { unmount(); }
    Share(const Share&) = delete;
    Share& operator=(const Share&) = delete;

    // Nothing when mounted; else why not.
    std::string mount(double latencyMs);
    void unmount();

    const std::string& countsFile() const { return countsFile_; }
    std::string path(const std::string& name) const;
    std::string beneath(const std::string& name) const;

private:
    std::string startServer(double latencyMs);

    std::string root_;
    std::string mountPoint_;
    std::string scratch_;
    std::string countsFile_;
    int mounts_ = 0;
};

} // namespace portraitbench
