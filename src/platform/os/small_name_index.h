#pragma once

#include <chrono>
#include <cstdint>
#include <list>
#include <optional>
#include <vector>

#include <QByteArray>

namespace platform {

// The small pictures a directory holds, as hashes of their case-folded names and of their spellings,
// so that finding a set's partner asks neither the directory nor the disk for its spelling. An index is kept only on
// local file systems, whose directories show every change in their change time (FUSE and network volumes may leave it
// still), and is trusted only while the directory keeps the device, inode and times it had when it was read. A
// directory changed shortly before it was read could change again within the same tick of the clock, unseen: its index
// is not kept.
class SmallNameIndexes {
public:
    struct Stamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t modified = 0; // nanoseconds
        std::int64_t changed = 0;
        bool operator==(const Stamp& other) const;
        bool operator!=(const Stamp& other) const { return !(*this == other); }
    };

    // One read of a directory, which becomes its index if the directory stayed still meanwhile.
    struct Name {
        std::uint64_t folded = 0;
        std::uint64_t spelling = 0;
        bool operator<(const Name& other) const
        {
            return folded != other.folded ? folded < other.folded : spelling < other.spelling;
        }
    };

    class Reading {
    public:
        // Every entry's raw name that may be a file; only names ending in "s.bmp", case ignored, count.
        void add(const char* rawName);

    private:
        friend class SmallNameIndexes;
        std::optional<Stamp> before;
        std::vector<Name> names;
    };

    explicit SmallNameIndexes(std::chrono::milliseconds settle) : settle_(settle) {}

    // A reading that will be kept, or none when the directory's times cannot be trusted.
    std::optional<Reading> startReading(const QByteArray& directory) const;
    void finishReading(const QByteArray& directory, Reading reading);

    // The index of `directory` as it stands, if it can be trusted now (one stat of the directory); valid
    // until the next reading finishes.
    class Trusted {
    public:
        // How many small names fold to `foldedName` (UTF-8, case folded).
        int count(const QByteArray& foldedName) const;
        // Whether one of them is spelled `spelling` (the bytes on disk).
        bool holds(const QByteArray& foldedName, const QByteArray& spelling) const;

    private:
        friend class SmallNameIndexes;
        explicit Trusted(const std::vector<Name>& names) : names_(names) {}
        const std::vector<Name>& names_;
    };
    std::optional<Trusted> trusted(const QByteArray& directory) const;

private:
    struct Index {
        QByteArray directory;
        Stamp stamp;
        std::vector<Name> names; // sorted
    };
    static constexpr std::size_t Kept = 4; // both panes and the gallery, with room to spare

    std::chrono::milliseconds settle_;
    std::list<Index> indexes_; // the most recently used first
};

} // namespace platform
