#include "naming/next_name.h"

#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

// Large-picture names from stems: "MM01..03 mm05" gives MM01L.bmp, MM02L.bmp, MM03L.bmp, mm05L.bmp.
static std::vector<std::u32string> large(const std::string& stems)
{
    std::vector<std::u32string> entries;
    std::istringstream words(stems);
    for (std::string word; words >> word;) {
        const std::size_t dots = word.find("..");
        const bool single = dots == std::string::npos;
        const int first = single ? 0 : std::stoi(word.substr(2, dots - 2));
        const int last = single ? 0 : std::stoi(word.substr(dots + 2));
        for (int n = first; n <= last; ++n) {
            const std::string name = single ? word : word.substr(0, 2) + std::to_string(100 + n).substr(1);
            entries.push_back(std::u32string(name.begin(), name.end()) + U"L.bmp");
        }
    }
    return entries;
}

TEST(AllocateNextName, GivesNumberAndNames)
{
    // Gender 1 is Male, 2 Female; class 1 is Mage, 2 Priest.
    const std::tuple<const char*, int, int, std::vector<std::u32string>, double, std::u32string, std::u32string>
        // clang-format off
        rows[] = {
            {"NoEntries", 1, 1, {}, 1, U"MM01L", U"mM01S"},
            {"RunWithoutGap", 1, 1, large("MM01..03"), 4, U"MM04L", U"mM04S"},
            {"NumberOneMissing", 1, 1, large("MM02..03"), 3, U"MM01L", U"mM01S"},
            {"GapAfterTwo", 1, 1, large("MM01 MM02 MM05"), 3, U"MM03L", U"mM03S"},
            {"GapAfterOne", 1, 1, large("MM01 MM03"), 2, U"MM02L", U"mM02S"},
            {"TenGetsTwoDigits", 1, 1, large("MM01..09"), 10, U"MM10L", U"mM10S"},
            {"TwelveAfterEleven", 1, 1, large("MM01..11"), 12, U"MM12L", U"mM12S"},
            {"NameWithoutNumberCounts", 1, 1, large("MM01 MM02 MMagic"), 4, U"MM04L", U"mM04S"},
            {"FullTypeKeepsLastTwoDigits", 1, 1, large("MM01..99"), 100, U"MM00L", U"mM00S"},
            {"OtherGenderAndLowerCaseNotCounted", 1, 1, large("FM01 mm01"), 1, U"MM01L", U"mM01S"},
            // mm05 sorts inside the run but is not of the type, so MM04 is never compared with MM06.
            {"LowerCaseEntryHidesGap", 1, 1, large("MM01..04 mm05 MM06"), 6, U"MM06L", U"mM06S"},
            {"LowerCaseFollowerNotCompared", 1, 1, large("MM01 MM02 mm05 MM06"), 4, U"MM04L", U"mM04S"},
            {"FemalePriest", 2, 2, large("FM01 MP01"), 1, U"FP01L", U"fP01S"},
            {"OtherTypesWithGapsAroundRun", 1, 1, large("FM01 FM02 FM07 MM01 MM02 MP01 MP09"), 3, U"MM03L", U"mM03S"},
            {"NumberOneMissingAboveTen", 1, 1, large("MM02..12"), 12, U"MM01L", U"mM01S"},
            // "x1", "00" and "x2" read as 0, so these names are read again from their fourth character on:
            // 122 to 123 is no gap, 123 to 200 is one.
            {"ReadAgainFromPositionFour", 1, 1, large("MM01 FM01 MMx122 MM00123 MMx200"), 124, U"MM24L", U"mM24S"},
            // Held at 32767 the follower leaves a gap; wrapped to 16 bits it would read -7616.
            {"NextNumberHeldAt32767", 1, 1, large("MM01 MMx123456"), 2, U"MM02L", U"mM02S"},
            // 2.5 rounds to 2, which follows 1 without a gap.
            {"NextNumberRoundsHalfToEven", 1, 1, large("MM01 MM.2.5"), 3, U"MM03L", U"mM03S"},
            // The follower's .4 rounds to 0 and is read again as 4; the current .5 is kept, so a gap follows
            // it and .5 + 1 is written " 1.5", whose last character is 5.
            {"FractionalNumber", 1, 1, large("MM01 FM01 MM.5 MM.4"), 1.5, U"MM05L", U"mM05S"},
            {"ShortEntriesDoNotCrash", 1, 1, {U"", U"M", U"MM01L.bmp", U"MM", U"MM"}, 4, U"MM04L", U"mM04S"},
        };
    // clang-format on
    for (const auto& [name, gender, klass, entries, number, largeName, smallName] : rows) {
        SCOPED_TRACE(name);
        const naming::NextName result = naming::allocateNextName(gender, klass, entries);
        EXPECT_EQ(result.nextNumber, number);
        EXPECT_EQ(result.targetLargeName, largeName);
        EXPECT_EQ(result.targetSmallName, smallName);
    }
}
