#pragma once

// Generated portrait directories: sets named as the program writes them, their pictures hard links to a
// pool of distinct ones beside the directory.

#include <string>
#include <vector>

#include <QtGlobal>

namespace portraitbench {

constexpr int LargeWidth = 110;
constexpr int LargeHeight = 170;
constexpr int SmallWidth = 38;
constexpr int SmallHeight = 60;
// More pictures than any run shows, so that no two rounds in reach of each other share a file.
constexpr long DistinctPictures = 4096;

std::u32string toU32(const std::string& ascii);
std::string toUtf8(const std::u32string& text);
// Every name in the directory but "." and "..", in the disk's order.
std::vector<std::string> namesIn(const std::string& directory);

// The sets of a generated directory. Prefixes run in case-folded order and numbers have one width, so
// set i is the i-th entry of the program's list.
class SetNames {
public:
    SetNames(long sets, bool tenthWithoutSmall);

    long count() const { return sets_; }
    bool hasSmall(long i) const { return !tenthWithoutSmall_ || i % 10 != 9; }
    std::string stem(long i) const;
    std::string large(long i) const;
    std::string small(long i) const;

private:
    long sets_;
    long perPrefix_;
    bool tenthWithoutSmall_;
    int digits_ = 5;
};

// A portrait directory and, beside it, the distinct pictures its files are hard links to.
class Dataset {
public:
    Dataset(const std::string& root, const std::string& name, const SetNames& names, int largeWidth, int largeHeight,
            int smallWidth, int smallHeight, long distinct);
    ~Dataset();
    Dataset(const Dataset&) = delete;
    Dataset& operator=(const Dataset&) = delete;

    const std::string& directory() const { return directory_; }
    long distinct() const { return distinct_; }
    qint64 diskBytes() const { return diskBytes_; }

private:
    void writePool(int largeWidth, int largeHeight, int smallWidth, int smallHeight, std::vector<std::string>& large,
                   std::vector<std::string>& small) const;
    void link(const SetNames& names, const std::vector<std::string>& large,
              const std::vector<std::string>& small) const;
    void waitUntilSettled() const;

    std::string directory_;
    std::string pool_;
    long distinct_ = 0;
    qint64 diskBytes_ = 0;
};

} // namespace portraitbench
