#include "naming/next_name.h"
#include "naming/numeric_value.h"
#include "naming/portrait_names.h"

#include <cmath>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::u32string>;
using Kind = naming::WindowsNameFault::Kind;

// The small name's first letter as the program lowers it, for the letters these rows use: Latin capitals
// and the Latin-1 capitals À to Þ but ×.
char32_t lowered(char32_t c)
{
    const bool capital = (c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    return capital ? c + 32 : c;
}

// Every row runs as a test of its own, named after the case it proves.
const auto rowName = [](const auto& info) { return std::string(info.param.name); };
// A failure names its row rather than dumping its bytes.
template <typename Row, typename = decltype(Row::name)> std::ostream& operator<<(std::ostream& out, const Row& row)
{
    return out << row.name;
}

// A number as a name or an answer holds it, read, rounded and held to 16 bits.
struct LeadingNumberRow {
    const char* name;
    std::u32string text;
    double value, rounded;
    int held;
};
const LeadingNumberRow leadingNumberRows[] = {
    {"LeadingZeroStopsAtLetter", U"05L", 5, 5, 5},
    {"LetterFirstIsZero", U"L.", 0, 0, 0},
    {"TwoSigns", U"--3", 0, 0, 0},
    {"BlanksRemovedEverywhere", U" - 1 2\t3\n", -123, -123, -123},
    {"CarriageReturnIsNotBlank", U"\r5", 0, 0, 0},
    {"FractionStopsAtSecondPoint", U".5.3", 0.5, 0, 0},
    {"HalfDownToEven", U"2.5", 2.5, 2, 2},
    {"HalfUpToEven", U"3.5", 3.5, 4, 4},
    {"NegativeHalfToEven", U"-2.5", -2.5, -2, -2},
    // Adding 0.5 and taking the floor would give 1.
    {"JustBelowHalf", U"0.49999999999999994", 0.49999999999999994, 0, 0},
    {"HalfAboveLargest", U"32767.5", 32767.5, 32768, 32767},
    {"HeldBelow", U"-32769", -32769, -32769, -32768},
    {"ExponentE", U"1.5E+2", 150, 150, 150},
    {"ExponentSmallD", U"2d-1", 0.2, 0, 0},
    {"OctalStopsAtEight", U"&o18", 1, 1, 1},
    {"HexadecimalNotNegative", U"&hFfFf", 65535, 65535, 32767},
    {"HexadecimalNineAndZero", U"&H190", 400, 400, 400},
    {"HexadecimalLettersAInBothCases", U"&HaA", 170, 170, 170},
    {"OverflowGivesInfinity", U"-1D400", -INFINITY, -INFINITY, -32768},
    {"HugeExponent", U"1E99999999999999999999", INFINITY, INFINITY, 32767},
    {"UnderflowGivesZero", U"1E-400", 0, 0, 0},
    {"FractionUnderflowGivesZero", U".1E-400", 0, 0, 0},
    {"ZeroWithHugeExponent", U"0E99999", 0, 0, 0},
    {"FractionOverflowGivesInfinity", U".5E400", INFINITY, INFINITY, 32767},
};
using NumericValue = testing::TestWithParam<LeadingNumberRow>;
TEST_P(NumericValue, ReadsRoundsAndHoldsTheLeadingNumber)
{
    const LeadingNumberRow& row = GetParam();
    const double read = naming::numericValue(row.text);
    EXPECT_EQ(std::tuple(read, naming::roundHalfEven(read), int(naming::toInteger16(read))),
              std::tuple(row.value, row.rounded, row.held));
}
INSTANTIATE_TEST_SUITE_P(, NumericValue, testing::ValuesIn(leadingNumberRows), rowName);

struct NumberTextRow {
    const char* name;
    double value;
    std::u32string text;
};
const NumberTextRow numberTextRows[] = {
    {"One", 1, U" 1"},
    {"TrailingZeros", 100, U" 100"},
    {"NoZeroBeforeThePoint", -0.25, U"-.25"},
    {"FifteenSignificantDigits", 2.0 / 3, U" .666666666666667"},
    {"ExponentFromE15", 1e15, U" 1E+15"},
    {"ExponentBelowE4", 0.00001, U" 1E-05"},
    {"NegativeInfinity", -INFINITY, U"-Inf"},
    {"Zero", 0, U" 0"},
};
using DecimalText = testing::TestWithParam<NumberTextRow>;
TEST_P(DecimalText, WritesTheNumberAsBasicDoes)
{
    EXPECT_EQ(naming::decimalText(GetParam().value), GetParam().text);
}
INSTANTIATE_TEST_SUITE_P(, DecimalText, testing::ValuesIn(numberTextRows), rowName);

// Large-picture names from stems: "MM01..03 mm05" gives MM01L.bmp, MM02L.bmp, MM03L.bmp, mm05L.bmp.
Names large(const std::string& stems)
{
    Names entries;
    std::istringstream words(stems);
    for (std::string w; words >> w;) {
        const bool run = w.size() == 8 && w.substr(4, 2) == "..";
        for (int n = run ? std::stoi(w.substr(2, 2)) : 0; n <= (run ? std::stoi(w.substr(6)) : 0); ++n) {
            const std::string name = run ? w.substr(0, 2) + char('0' + n / 10) + char('0' + n % 10) : w;
            entries.push_back(std::u32string(name.begin(), name.end()) + U"L.bmp");
        }
    }
    return entries;
}

// Gender 1 is Male, 2 Female; class 1 Mage, 2 Priest, 3 Rogue, 4 Warrior.
struct AllocationRow {
    const char* name;
    int gender, klass;
    Names entries;
    double number;
    std::u32string largeName;
};
const AllocationRow allocationRows[] = {
    {"NoEntries", 1, 1, {}, 1, U"MM01L"},
    {"NumberOneMissing", 1, 1, large("MM02..03"), 3, U"MM01L"},
    {"GapAfterTwo", 1, 1, large("MM01 MM02 MM05"), 3, U"MM03L"},
    {"TenAfterNine", 1, 1, large("MM01..09"), 10, U"MM10L"},
    {"TwelveAfterEleven", 1, 1, large("MM01..11"), 12, U"MM12L"},
    {"NameWithoutNumberCounts", 1, 1, large("MM01 MM02 MMagic"), 4, U"MM04L"},
    {"FullTypeKeepsLastTwoDigits", 1, 1, large("MM01..99"), 100, U"MM00L"},
    {"FemaleWarrior", 2, 4, large("FW01"), 2, U"FW02L"},
    {"OnlyTwoDigitsRead", 1, 1, large("MM01 MM023"), 3, U"MM03L"},
    // mm05 is neither counted nor of the type, but it stands between MM04 and MM06.
    {"LowerCaseEntryHidesGap", 1, 1, large("MM01..04 mm05 MM06"), 6, U"MM06L"},
    {"FemalePriest", 2, 2, large("FM01 MP01"), 1, U"FP01L"},
    // MP05 would leave a gap after MMagic, read as 0, were it compared.
    {"NeighbourOfAnotherTypeIsNotCompared", 1, 1, large("MM01 MMagic MP05"), 3, U"MM03L"},
    {"MaleRogueAmongOthers", 1, 3, large("FR01 MR01 MR02 MR07 MW01"), 3, U"MR03L"},
    // "x1", "00" and "x2" read as 0, so these are read from their fourth character: 122, 123, 200.
    {"ReadAgainFromPositionFour", 1, 1, large("MM01 FM01 MMx122 MM00123 MMx200"), 124, U"MM24L"},
    // Wrapped to 16 bits instead of held, the follower would read -7616 and leave no gap.
    {"NextNumberHeldAt32767", 1, 1, large("MM01 MMx123456"), 2, U"MM02L"},
    {"NextNumberRoundsHalfToEven", 1, 1, large("MM01 MM.2.5"), 3, U"MM03L"},
    // The follower's .4 rounds to 0 and is read again as 4; the current .5 is kept, and .5 + 1 is " 1.5".
    {"FractionalNumber", 1, 1, large("MM01 FM01 MM.5 MM.4"), 1.5, U"MM05L"},
    {"ShortEntriesDoNotCrash", 1, 1, {U"", U"M", U"MM01L.bmp", U"MM", U"MM"}, 4, U"MM04L"},
};
using AllocateNextName = testing::TestWithParam<AllocationRow>;
TEST_P(AllocateNextName, GivesNumberAndNames)
{
    const AllocationRow& row = GetParam();
    const naming::NextName result = naming::allocateNextName(row.gender, row.klass, row.entries);
    // The small name is the large one with its first letter lowered and S for L.
    const std::u32string smallName = char32_t(row.largeName[0] + 32) + row.largeName.substr(1, 3) + U"S";
    EXPECT_EQ(std::tie(result.nextNumber, result.targetLargeName, result.targetSmallName),
              std::tie(row.number, row.largeName, smallName));
}
INSTANTIATE_TEST_SUITE_P(, AllocateNextName, testing::ValuesIn(allocationRows), rowName);

// The same text is read as a listed entry's stem and then offered as a rename answer.
struct StemRow {
    const char* name;
    std::u32string entry, stem, partner;
    bool accepted;
    std::u32string userLarge, userSmall;
};
const StemRow stemRows[] = {
    {"Hero", U"HeroL.bmp", U"Hero", U"HeroS.bmp", true, U"HeroL.bmp", U"heroS.bmp"},
    {"SevenAccepted", U"ABCDEFGL.bmp", U"ABCDEFG", U"ABCDEFGS.bmp", true, U"ABCDEFGL.bmp", U"aBCDEFGS.bmp"},
    {"EightRefused", U"ABCDEFGHL.bmp", U"ABCDEFGH", U"ABCDEFGHS.bmp", false, U"ABCDEFGHL.bmp", U"aBCDEFGHS.bmp"},
    {"SuffixOnlyEmptyRefused", U"L.bmp", U"", U"S.bmp", false, U"L.bmp", U"S.bmp"},
    {"UpperCaseSuffixKeepsBlank", U"Hero l.BMP", U"Hero ", U"Hero S.bmp", true, U"Hero L.bmp", U"hero S.bmp"},
    {"AccentedFirst", U"\u00C9tL.bmp", U"\u00C9t", U"\u00C9tS.bmp", true, U"\u00C9tL.bmp", U"\u00E9tS.bmp"},
};
using StemsPartnersAndUserNames = testing::TestWithParam<StemRow>;
TEST_P(StemsPartnersAndUserNames, AgreeForEntryAndAnswer)
{
    const StemRow& row = GetParam();
    EXPECT_EQ(std::tuple(naming::stemOfEntry(row.entry), naming::smallPartnerName(row.stem),
                         naming::isAcceptableUserStem(row.stem), naming::userLargeFileName(row.stem),
                         naming::userSmallFileName(row.stem, lowered), naming::smallPartnerOfEntry(row.entry)),
              std::tuple(row.stem, row.partner, row.accepted, row.userLarge, row.userSmall, row.partner));
}
INSTANTIATE_TEST_SUITE_P(, StemsPartnersAndUserNames, testing::ValuesIn(stemRows), rowName);

// A stem whose files Windows could not open: the first forbidden character, an ending it trims, a device's name.
struct WindowsRow {
    const char* name;
    std::u32string stem;
    Kind kind;
    char32_t character;
    std::u32string device;
};
const WindowsRow windowsRows[] = {
    {"Plain", U"Hero", Kind::None, 0, U""},
    {"FirstForbiddenNamed", U"A:B*", Kind::Character, U':', U""},
    {"QuotationMark", U"a\"b", Kind::Character, U'"', U""},
    {"Star", U"*", Kind::Character, U'*', U""},
    {"Less", U"<", Kind::Character, U'<', U""},
    {"Greater", U">", Kind::Character, U'>', U""},
    {"Question", U"?", Kind::Character, U'?', U""},
    {"Bar", U"|", Kind::Character, U'|', U""},
    {"Backslash", U"\\", Kind::Character, U'\\', U""},
    {"Slash", U"a/", Kind::Character, U'/', U""},
    {"Control", U"x\x01", Kind::Character, 1, U""},
    {"UnitSeparator", U"\x1f", Kind::Character, 0x1f, U""},
    {"Delete", U"\x7f", Kind::Character, 0x7f, U""},
    {"TrailingDot", U"A.", Kind::Ending, 0, U""},
    {"TrailingSpace", U"AUX ", Kind::Ending, 0, U""},
    {"InnerDotAndSpace", U"A. b", Kind::None, 0, U""},
    {"NonAscii", U"\u00C9t\u0130", Kind::None, 0, U""},
    {"Device", U"CON", Kind::DeviceName, 0, U"CON"},
    {"DeviceInLowerCase", U"lpt9", Kind::DeviceName, 0, U"lpt9"},
    {"DeviceBeforeADot", U"aux.x", Kind::DeviceName, 0, U"aux.x"},
    {"DeviceBeforeSpaces", U"prn  .x", Kind::DeviceName, 0, U"prn  .x"},
    {"DeviceByTheLargeFile", U"nu", Kind::DeviceName, 0, U"nuL.bmp"},
    {"NoDeviceNumberedZero", U"COM0", Kind::None, 0, U""},
    {"NoDeviceWithLetters", U"COMA", Kind::None, 0, U""},
    {"NoDeviceOfTwoDigits", U"COM12", Kind::None, 0, U""},
    {"PortDevice", U"com1", Kind::DeviceName, 0, U"com1"},
    {"NoDeviceOtherwiseFourEndingInADigit", U"ABC1", Kind::None, 0, U""},
    {"LongerThanADevice", U"CONS", Kind::None, 0, U""},
    {"ShorterThanADevice", U"LPT", Kind::None, 0, U""},
};
using WhatWindowsCannotHold = testing::TestWithParam<WindowsRow>;
TEST_P(WhatWindowsCannotHold, IsFoundInTheStem)
{
    const WindowsRow& row = GetParam();
    const naming::WindowsNameFault fault = naming::windowsNameFault(row.stem);
    EXPECT_EQ(std::tuple(fault.kind, fault.character, fault.name), std::tuple(row.kind, row.character, row.device));
}
INSTANTIATE_TEST_SUITE_P(, WhatWindowsCannotHold, testing::ValuesIn(windowsRows), rowName);

// One small picture never serves two sets; the rest of the order is the file system's to check.
struct PairingRow {
    const char* name;
    Names large, small;
    std::vector<int> partners;
};
const PairingRow pairingRows[] = {
    {"WrittenSpellingNext", {U"ABL.bmp"}, {U"ABs.bmp", U"aBS.bmp", U"abS.bmp"}, {1}},
    {"NothingToTake", {U"ABL.bmp"}, {}, {-1}},
    {"ExactClaimBeatsWrittenClaim", {U"MM05L.bmp", U"mM05L.bmp"}, {U"mM05S.bmp"}, {-1, 0}},
    {"WrittenClaimPastAPairedSet", {U"XYL.bmp", U"XyL.bmp"}, {U"XYS.bmp", U"xYS.bmp", U"xyS.bmp"}, {0, 2}},
    {"TheRestInListOrder", {U"XyL.bmp", U"xYL.bmp", U"XYL.bmp"}, {U"XYs.bmp", U"xys.bmp"}, {0, 1, -1}},
};
using PairSmallPictures = testing::TestWithParam<PairingRow>;
TEST_P(PairSmallPictures, GivesEachSetItsOwn)
{
    const PairingRow& row = GetParam();
    EXPECT_EQ(naming::pairSmallPictures(row.large, row.small, lowered), row.partners);
}
INSTANTIATE_TEST_SUITE_P(, PairSmallPictures, testing::ValuesIn(pairingRows), rowName);

} // namespace
