#include "naming/next_name.h"

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Entries = std::vector<std::u32string>;

// Large-picture names from stems: "MM01..03 mm05" gives MM01L.bmp, MM02L.bmp, MM03L.bmp, mm05L.bmp.
Entries large(const std::string& stems)
{
    Entries entries;
    std::istringstream words(stems);
    for (std::string word; words >> word;) {
        const std::size_t range = word.find("..");
        const bool single = range == std::string::npos;
        const int first = single ? 0 : std::stoi(word.substr(2, range - 2));
        const int last = single ? 0 : std::stoi(word.substr(range + 2));
        for (int n = first; n <= last; ++n) {
            const std::string name = single ? word : word.substr(0, 2) + std::to_string(100 + n).substr(1);
            entries.push_back(std::u32string(name.begin(), name.end()) + U"L.bmp");
        }
    }
    return entries;
}

struct Row {
    const char* name;
    Entries entries;
    double number;
    std::u32string large;
    std::u32string small;
    int gender = 1; // Male
    int klass = 1;  // Mage
};

TEST(AllocateNextName, GivesNumberAndNames)
{
    const std::vector<Row> rows = {
        {"NoEntries", {}, 1, U"MM01L", U"mM01S"},
        {"RunWithoutGap", large("MM01..03"), 4, U"MM04L", U"mM04S"},
        {"NumberOneMissing", large("MM02..03"), 3, U"MM01L", U"mM01S"},
        {"GapAfterTwo", large("MM01 MM02 MM05"), 3, U"MM03L", U"mM03S"},
        {"GapAfterOne", large("MM01 MM03"), 2, U"MM02L", U"mM02S"},
        {"TenGetsTwoDigits", large("MM01..09"), 10, U"MM10L", U"mM10S"},
        {"TwelveAfterEleven", large("MM01..11"), 12, U"MM12L", U"mM12S"},
        {"NameWithoutNumberCounts", large("MM01 MM02 MMagic"), 4, U"MM04L", U"mM04S"},
        {"FullTypeKeepsLastTwoDigits", large("MM01..99"), 100, U"MM00L", U"mM00S"},
        {"OtherGenderAndLowerCaseNotCounted", large("FM01 mm01"), 1, U"MM01L", U"mM01S"},
        // mm05 sorts inside the run but is not of the type, so MM04 is never compared with MM06.
        {"LowerCaseEntryHidesGap", large("MM01..04 mm05 MM06"), 6, U"MM06L", U"mM06S"},
        {"LowerCaseFollowerNotCompared", large("MM01 MM02 mm05 MM06"), 4, U"MM04L", U"mM04S"},
        {"FemalePriest", large("FM01 MP01"), 1, U"FP01L", U"fP01S", 2, 2},
        {"OtherTypesWithGapsAroundRun", large("FM01 FM02 FM07 MM01 MM02 MP01 MP09"), 3, U"MM03L", U"mM03S"},
        {"NumberOneMissingAboveTen", large("MM02..12"), 12, U"MM01L", U"mM01S"},
        // "00" and "x2" read as 0, so both names are read again from their fourth character: 123 to 200.
        {"ReadAgainFromPositionFour", large("MM01 FM01 MM00123 MMx200"), 124, U"MM24L", U"mM24S"},
        {"CurrentReadAgainFromPositionFour", large("MM01 FM01 MMx3 MM07"), 4, U"MM04L", U"mM04S"},
        // Held at 32767 the follower leaves a gap; wrapped to 16 bits it would read -7616.
        {"NextNumberHeldAt32767", large("MM01 MMx123456"), 2, U"MM02L", U"mM02S"},
        // 2.5 rounds to 2, which follows 1 without a gap.
        {"NextNumberRoundsHalfToEven", large("MM01 MM.2.5"), 3, U"MM03L", U"mM03S"},
        // .5 is kept as it is: .5 + 1 is written " 1.5", whose last character is 5.
        {"FractionalNumber", large("MM01 FM01 MM.5 MM03"), 1.5, U"MM05L", U"mM05S"},
        {"ShortEntriesDoNotCrash", {U"", U"M", U"MM01L.bmp", U"MM", U"MM"}, 4, U"MM04L", U"mM04S"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const naming::NextName result = naming::allocateNextName(row.gender, row.klass, row.entries);
        EXPECT_EQ(result.nextNumber, row.number);
        EXPECT_EQ(result.targetLargeName, row.large);
        EXPECT_EQ(result.targetSmallName, row.small);
    }
}

} // namespace
