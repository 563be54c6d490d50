#include "naming/portrait_names.h"

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os/file_system.h"

// The same text is read as a listed entry's stem and then offered as a rename answer.
TEST(PortraitNames, StemsPartnersAndUserNames)
{
    using S = std::u32string;
    // clang-format off
    const std::tuple<const char*, S, S, S, bool, S, S> rows[] = {
        {"Hero", U"HeroL.bmp", U"Hero", U"HeroS.bmp", true, U"HeroL.bmp", U"heroS.bmp"},
        {"DigitFirst", U"7thL.bmp", U"7th", U"7thS.bmp", true, U"7thL.bmp", U"7thS.bmp"},
        {"SevenAccepted", U"ABCDEFGL.bmp", U"ABCDEFG", U"ABCDEFGS.bmp", true, U"ABCDEFGL.bmp", U"aBCDEFGS.bmp"},
        {"EightRefused", U"ABCDEFGHL.bmp", U"ABCDEFGH", U"ABCDEFGHS.bmp", false, U"ABCDEFGHL.bmp", U"aBCDEFGHS.bmp"},
        {"SuffixOnlyEmptyRefused", U"L.bmp", U"", U"S.bmp", false, U"L.bmp", U"S.bmp"},
        {"UpperCaseSuffixKeepsBlank", U"Hero l.BMP", U"Hero ", U"Hero S.bmp", true, U"Hero L.bmp", U"hero S.bmp"},
        {"AccentedFirst", U"\u00C9tL.bmp", U"\u00C9t", U"\u00C9tS.bmp", true, U"\u00C9tL.bmp", U"\u00E9tS.bmp"},
    };
    // clang-format on
    for (const auto& [name, entry, stem, partner, accepted, userLarge, userSmall] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(naming::stemOfEntry(entry), stem);
        EXPECT_EQ(naming::smallPartnerName(stem), partner);
        EXPECT_EQ(naming::isAcceptableUserStem(stem), accepted);
        EXPECT_EQ(naming::userLargeFileName(stem), userLarge);
        EXPECT_EQ(naming::userSmallFileName(stem, platform::smallNameLetter), userSmall);
    }
}

TEST(PortraitNames, Letters)
{
    // clang-format off
    const std::tuple<const char*, int, char32_t, char32_t, char32_t> rows[] = {
        {"NothingChosenGivesNoLetter", 0, U'\0', U'\0', U'\0'},
        {"MaleMage", 1, U'M', U'm', U'M'},
        {"FemalePriest", 2, U'F', U'f', U'P'},
        {"RogueHasNoGender", 3, U'\0', U'\0', U'R'},
        {"WarriorHasNoGender", 4, U'\0', U'\0', U'W'},
    };
    // clang-format on
    for (const auto& [name, index, gender, smallGender, klass] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(naming::genderLetter(index), gender);
        EXPECT_EQ(naming::smallGenderLetter(index), smallGender);
        EXPECT_EQ(naming::classLetter(index), klass);
    }
}

TEST(PortraitNames, SmallNameLetter)
{
    // clang-format off
    const std::tuple<const char*, char32_t, char32_t> rows[] = {
        {"AsciiCapital", U'A', U'a'},
        {"MultiplicationSignKept", 0x00D7, 0x00D7},
        {"LastLatinOneCapital", 0x00DE, 0x00FE},
        {"DottedCapitalIKept", 0x0130, 0x0130},
        {"KraKept", 0x0138, 0x0138},
        {"CapitalOnOddAfterKra", 0x0139, 0x013A},
        {"CapitalYDiaeresis", 0x0178, 0x00FF},
        {"GreekGapKept", 0x03A2, 0x03A2},
        {"CyrillicIeGrave", 0x0400, 0x0450},
        {"CyrillicYa", 0x042F, 0x044F},
        {"ArmenianAyb", 0x0531, 0x0561},
        {"LatinDzCaron", 0x01C4, 0x01C6},
    };
    // clang-format on
    for (const auto& [name, letter, lower] : rows) {
        EXPECT_EQ(platform::smallNameLetter(letter), lower) << name;
    }
}

TEST(PortraitNames, OneSmallPictureNeverServesTwoSets)
{
    using Names = std::vector<std::u32string>;
    // clang-format off
    const std::tuple<const char*, Names, Names, std::vector<int>> rows[] = {
        {"AloneTakesAnySpelling", {U"MM05L.bmp"}, {U"mm05s.BMP"}, {0}},
        {"ExactSpellingWins", {U"ABL.bmp"}, {U"ABS.bmp", U"aBS.bmp", U"abS.bmp"}, {0}},
        {"WrittenSpellingNext", {U"ABL.bmp"}, {U"ABs.bmp", U"aBS.bmp", U"abS.bmp"}, {1}},
        {"ExactPartnerOfAnotherIsKept", {U"ABL.bmp", U"abL.bmp"}, {U"abS.bmp"}, {-1, 0}},
        {"ExactClaimBeatsWrittenClaim", {U"MM05L.bmp", U"mM05L.bmp"}, {U"mM05S.bmp"}, {-1, 0}},
        {"EachTakesItsOwn", {U"ABL.bmp", U"abL.bmp"}, {U"ABS.bmp", U"abS.bmp"}, {0, 1}},
        {"TheRestInListOrder", {U"XyL.bmp", U"xYL.bmp", U"XYL.bmp"}, {U"XYs.bmp", U"xys.bmp"}, {0, 1, -1}},
        {"NothingToTake", {U"ABL.bmp"}, {}, {-1}},
    };
    // clang-format on
    for (const auto& [name, large, small, expected] : rows)
        EXPECT_EQ(naming::pairSmallPictures(large, small, platform::smallNameLetter), expected) << name;
}
