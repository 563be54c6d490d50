#include "naming/portrait_names.h"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace {

template <typename Row> std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

struct StemRow {
    const char* name;
    std::u32string entry;
    std::u32string stem;
    std::u32string partner;
};

// Test names show the row, not its bytes.
void PrintTo(const StemRow& row, std::ostream* out)
{
    *out << row.name;
}

class StemOfEntryTest : public testing::TestWithParam<StemRow> {};

TEST_P(StemOfEntryTest, CutsFiveCharactersAndNamesPartner)
{
    const StemRow& row = GetParam();
    const std::u32string stem = naming::stemOfEntry(row.entry);
    EXPECT_EQ(stem, row.stem);
    EXPECT_EQ(naming::smallPartnerName(stem), row.partner);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StemOfEntryTest,
    testing::Values(StemRow{"Generated", U"MM05L.bmp", U"MM05", U"MM05S.bmp"},
                    StemRow{"UpperCaseSuffixWithBlank", U"Hero l.BMP", U"Hero ", U"Hero S.bmp"},
                    StemRow{"SuffixOnly", U"L.bmp", U"", U"S.bmp"},
                    StemRow{"ShorterThanSuffix", U"L.bm", U"", U"S.bmp"}, StemRow{"Empty", U"", U"", U"S.bmp"},
                    // Cut by characters, not by bytes of an encoding.
                    StemRow{"NonAsciiStem", U"\u00C4\u03A9\u4E00L.bmp", U"\u00C4\u03A9\u4E00",
                            U"\u00C4\u03A9\u4E00S.bmp"},
                    StemRow{"AstralCharacter", U"\U0001F600L.bmp", U"\U0001F600", U"\U0001F600S.bmp"}),
    rowName<StemRow>);

struct LetterRow {
    const char* name;
    int index;
    char32_t gender;
    char32_t smallGender;
    char32_t klass;
};

void PrintTo(const LetterRow& row, std::ostream* out)
{
    *out << row.name;
}

class LettersTest : public testing::TestWithParam<LetterRow> {};

TEST_P(LettersTest, GivesLettersOfIndex)
{
    const LetterRow& row = GetParam();
    EXPECT_EQ(naming::genderLetter(row.index), row.gender);
    EXPECT_EQ(naming::smallGenderLetter(row.index), row.smallGender);
    EXPECT_EQ(naming::classLetter(row.index), row.klass);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LettersTest,
    testing::Values(LetterRow{"NothingChosen", 0, U'\0', U'\0', U'\0'}, LetterRow{"MaleMage", 1, U'M', U'm', U'M'},
                    LetterRow{"FemalePriest", 2, U'F', U'f', U'P'}, LetterRow{"Rogue", 3, U'\0', U'\0', U'R'},
                    LetterRow{"Warrior", 4, U'\0', U'\0', U'W'}, LetterRow{"PastLastClass", 5, U'\0', U'\0', U'\0'},
                    LetterRow{"Negative", -1, U'\0', U'\0', U'\0'}),
    rowName<LetterRow>);

struct UserStemRow {
    const char* name;
    std::u32string answer;
    bool accepted;
};

void PrintTo(const UserStemRow& row, std::ostream* out)
{
    *out << row.name;
}

class UserStemTest : public testing::TestWithParam<UserStemRow> {};

TEST_P(UserStemTest, AcceptsOneToSevenCharacters)
{
    EXPECT_EQ(naming::isAcceptableUserStem(GetParam().answer), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UserStemTest,
    testing::Values(UserStemRow{"Empty", U"", false}, UserStemRow{"OneCharacter", U"A", true},
                    UserStemRow{"SevenCharacters", U"ABCDEFG", true},
                    UserStemRow{"EightCharacters", U"ABCDEFGH", false}, UserStemRow{"BlanksOnly", U"       ", true},
                    UserStemRow{"SevenNonAscii", U"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF", true},
                    UserStemRow{"EightNonAscii", U"\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF\u00E9", false}),
    rowName<UserStemRow>);

struct UserFileRow {
    const char* name;
    std::u32string stem;
    std::u32string large;
    std::u32string small;
};

void PrintTo(const UserFileRow& row, std::ostream* out)
{
    *out << row.name;
}

class UserFileNamesTest : public testing::TestWithParam<UserFileRow> {};

TEST_P(UserFileNamesTest, LowerCasesOnlyFirstCharacterOfSmall)
{
    const UserFileRow& row = GetParam();
    EXPECT_EQ(naming::userLargeFileName(row.stem), row.large);
    EXPECT_EQ(naming::userSmallFileName(row.stem), row.small);
}

INSTANTIATE_TEST_SUITE_P(Rows, UserFileNamesTest,
                         testing::Values(UserFileRow{"Hero", U"Hero", U"HeroL.bmp", U"heroS.bmp"},
                                         UserFileRow{"DigitFirst", U"7th", U"7thL.bmp", U"7thS.bmp"},
                                         UserFileRow{"SevenCapitals", U"ABCDEFG", U"ABCDEFGL.bmp", U"aBCDEFGS.bmp"},
                                         UserFileRow{"AlreadyLower", U"hero", U"heroL.bmp", U"heroS.bmp"},
                                         UserFileRow{"AccentedFirst", U"\u00C9CU", U"\u00C9CUL.bmp", U"\u00E9CUS.bmp"},
                                         UserFileRow{"Empty", U"", U"L.bmp", U"S.bmp"}),
                         rowName<UserFileRow>);

struct LowerRow {
    const char* name;
    char32_t letter;
    char32_t expected;
};

void PrintTo(const LowerRow& row, std::ostream* out)
{
    *out << row.name;
}

class LowerCaseLetterTest : public testing::TestWithParam<LowerRow> {};

TEST_P(LowerCaseLetterTest, MapsCapitalToSmall)
{
    EXPECT_EQ(naming::lowerCaseLetter(GetParam().letter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LowerCaseLetterTest,
    testing::Values(
        LowerRow{"AsciiFirst", U'A', U'a'}, LowerRow{"AsciiLast", U'Z', U'z'}, LowerRow{"AsciiSmall", U'q', U'q'},
        LowerRow{"Digit", U'7', U'7'}, LowerRow{"BeforeA", U'@', U'@'}, LowerRow{"AfterZ", U'[', U'['},
        LowerRow{"LatinOneFirst", 0x00C0, 0x00E0}, LowerRow{"LatinOneLast", 0x00DE, 0x00FE},
        LowerRow{"MultiplicationSign", 0x00D7, 0x00D7}, LowerRow{"SharpS", 0x00DF, 0x00DF},
        LowerRow{"LatinOneSmall", 0x00E9, 0x00E9}, LowerRow{"YDiaeresisSmall", 0x00FF, 0x00FF},
        LowerRow{"AMacron", 0x0100, 0x0101}, LowerRow{"AMacronSmall", 0x0101, 0x0101},
        LowerRow{"IOgonek", 0x012E, 0x012F}, LowerRow{"IDotAbove", 0x0130, U'i'}, LowerRow{"DotlessI", 0x0131, 0x0131},
        LowerRow{"LigatureIJ", 0x0132, 0x0133}, LowerRow{"KCedilla", 0x0136, 0x0137}, LowerRow{"Kra", 0x0138, 0x0138},
        LowerRow{"LAcute", 0x0139, 0x013A}, LowerRow{"LAcuteSmall", 0x013A, 0x013A}, LowerRow{"NCaron", 0x0147, 0x0148},
        LowerRow{"NCaronSmall", 0x0148, 0x0148}, LowerRow{"NApostrophe", 0x0149, 0x0149},
        LowerRow{"Eng", 0x014A, 0x014B}, LowerRow{"EngSmall", 0x014B, 0x014B}, LowerRow{"YCircumflex", 0x0176, 0x0177},
        LowerRow{"YDiaeresis", 0x0178, 0x00FF}, LowerRow{"ZAcute", 0x0179, 0x017A}, LowerRow{"ZCaron", 0x017D, 0x017E},
        LowerRow{"ZCaronSmall", 0x017E, 0x017E}, LowerRow{"LongS", 0x017F, 0x017F}, LowerRow{"BStroke", 0x0180, 0x0180},
        LowerRow{"Alpha", 0x0391, 0x03B1}, LowerRow{"Omega", 0x03A9, 0x03C9}, LowerRow{"GreekGap", 0x03A2, 0x03A2},
        LowerRow{"AlphaSmall", 0x03B1, 0x03B1}, LowerRow{"CyrillicA", 0x0410, 0x0430},
        LowerRow{"CyrillicYa", 0x042F, 0x044F}, LowerRow{"CyrillicIeGrave", 0x0400, 0x0450},
        LowerRow{"CyrillicDzhe", 0x040F, 0x045F}, LowerRow{"CyrillicSmall", 0x0430, 0x0430},
        LowerRow{"FullWidthA", 0xFF21, 0xFF21}, LowerRow{"Astral", 0x1F600, 0x1F600}),
    rowName<LowerRow>);

} // namespace
