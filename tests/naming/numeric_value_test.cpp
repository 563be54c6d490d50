#include "naming/numeric_value.h"

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();

template <typename Row> std::string rowName(const testing::TestParamInfo<Row>& info)
{
    return info.param.name;
}

struct ValueRow {
    const char* name;
    std::u32string text;
    double expected;
};

// Test names show the row, not its bytes.
void PrintTo(const ValueRow& row, std::ostream* out)
{
    *out << row.name;
}

class NumericValueTest : public testing::TestWithParam<ValueRow> {};

TEST_P(NumericValueTest, ReadsLeadingNumber)
{
    const ValueRow& row = GetParam();
    const double value = naming::numericValue(row.text);
    EXPECT_EQ(value, row.expected);
    EXPECT_FALSE(std::signbit(value) && value == 0) << "negative zero";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NumericValueTest,
    testing::Values(
        // Pieces of file names as the allocation reads them.
        ValueRow{"TwoDigits", U"05", 5}, ValueRow{"DigitThenLetter", U"1L", 1}, ValueRow{"LetterFirst", U"L.", 0},
        ValueRow{"BlankInsideName", U"7 L.bmp", 7}, ValueRow{"Empty", U"", 0}, ValueRow{"BlanksOnly", U" \t\n", 0},
        // Blanks are removed everywhere, not only in front.
        ValueRow{"BlanksBetweenDigits", U" 1 2\t3\n", 123}, ValueRow{"BlankAfterSign", U"- 4", -4},
        ValueRow{"CarriageReturnIsNotBlank", U"\r5", 0}, ValueRow{"NoBreakSpaceIsNotBlank", U"\u00A05", 0},
        ValueRow{"ArabicIndicDigitIsNotDigit", U"\u0663", 0}, ValueRow{"PlusSign", U"+8", 8},
        ValueRow{"MinusSign", U"-8", -8}, ValueRow{"SignAlone", U"-", 0}, ValueRow{"TwoSigns", U"--3", 0},
        ValueRow{"NegativeZero", U"-0", 0}, ValueRow{"LeadingZeros", U"007", 7}, ValueRow{"PointAlone", U".", 0},
        ValueRow{"FractionWithoutWholePart", U".5", 0.5}, ValueRow{"PointWithoutFraction", U"1.", 1},
        ValueRow{"SecondPointEnds", U"1.5.3", 1.5}, ValueRow{"NegativeFraction", U"-.25", -0.25},
        ValueRow{"ExponentE", U"1E3", 1000}, ValueRow{"ExponentSmallE", U"1e3", 1000},
        ValueRow{"ExponentD", U"2D2", 200}, ValueRow{"ExponentSmallD", U"2d-1", 0.2},
        ValueRow{"ExponentPlus", U"1E+2", 100}, ValueRow{"FractionExponent", U"1.5E-3", 0.0015},
        ValueRow{"ExponentLetterAlone", U"1E", 1}, ValueRow{"ExponentSignAlone", U"1E+", 1},
        ValueRow{"ExponentLetterThenLetter", U"9Ex", 9}, ValueRow{"ExponentWithoutMantissa", U"E5", 0},
        ValueRow{"ExponentOfPointOnly", U".E5", 0}, ValueRow{"SecondExponentEnds", U"1E2E3", 100},
        // Hexadecimal and octal, read as non-negative.
        ValueRow{"Hexadecimal", U"&H1F", 31}, ValueRow{"HexadecimalSmallLetters", U"&h1f", 31},
        ValueRow{"HexadecimalStopsAtNonDigit", U"&H1GL.bmp", 1}, ValueRow{"HexadecimalNoWrap", U"&HFFFF", 65535},
        ValueRow{"HexadecimalBeyondThirtyTwoBits", U"&H100000000", 4294967296.0}, ValueRow{"Octal", U"&O17", 15},
        ValueRow{"OctalSmallLetter", U"&o17", 15}, ValueRow{"OctalStopsAtEight", U"&O18", 1},
        ValueRow{"HexadecimalWithBlanks", U"& H 1 0", 16}, ValueRow{"HexadecimalWithoutDigits", U"&H", 0},
        ValueRow{"AmpersandAlone", U"&", 0}, ValueRow{"AmpersandOtherLetter", U"&Z12", 0},
        ValueRow{"SignBeforeAmpersand", U"-&H5", 0},
        // Out of range: infinities and zero, never an error.
        ValueRow{"OverflowGivesInfinity", U"1D400", Infinity}, ValueRow{"NegativeOverflow", U"-1D400", -Infinity},
        ValueRow{"HugeExponent", U"1E99999999999999999999", Infinity}, ValueRow{"UnderflowGivesZero", U"1E-400", 0},
        ValueRow{"HugeNegativeExponent", U"-1E-99999999999999999999", 0},
        ValueRow{"ZeroWithHugeExponent", U"0E99999", 0},
        ValueRow{"ManyDigitsOverflow", U"1" + std::u32string(400, U'0'), Infinity},
        ValueRow{"ManyFractionZerosUnderflow", U"." + std::u32string(400, U'0') + U"1", 0},
        ValueRow{"ManyFractionZerosWithExponent", U"." + std::u32string(300, U'0') + U"1E400", 1e99},
        ValueRow{"ManyHexadecimalDigits", U"&H" + std::u32string(300, U'F'), Infinity}),
    rowName<ValueRow>);

struct RoundRow {
    const char* name;
    double value;
    double expected;
};

void PrintTo(const RoundRow& row, std::ostream* out)
{
    *out << row.name;
}

class RoundHalfEvenTest : public testing::TestWithParam<RoundRow> {};

TEST_P(RoundHalfEvenTest, RoundsToNearestEvenOnHalves)
{
    EXPECT_EQ(naming::roundHalfEven(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, RoundHalfEvenTest,
                         testing::Values(RoundRow{"HalfDownToEven", 2.5, 2}, RoundRow{"HalfUpToEven", 3.5, 4},
                                         RoundRow{"NegativeHalfToEven", -2.5, -2},
                                         RoundRow{"NegativeHalfAwayToEven", -3.5, -4}, RoundRow{"HalfToZero", 0.5, 0},
                                         RoundRow{"OneAndHalf", 1.5, 2}, RoundRow{"JustBelowHalf", 2.4999999, 2},
                                         RoundRow{"JustAboveHalf", 2.5000001, 3},
                                         RoundRow{"NegativeBelowHalf", -1.25, -1},
                                         RoundRow{"NegativeAboveHalf", -1.75, -2}, RoundRow{"Whole", 7, 7},
                                         // 2^52 - 0.5: the largest half a double holds; its odd floor goes up.
                                         RoundRow{"LargestHalf", 4503599627370495.5, 4503599627370496.0},
                                         RoundRow{"Large", 1e300, 1e300}, RoundRow{"Infinity", Infinity, Infinity},
                                         RoundRow{"NegativeInfinity", -Infinity, -Infinity}),
                         rowName<RoundRow>);

TEST(RoundHalfEven, NaNStaysNaN)
{
    EXPECT_TRUE(std::isnan(naming::roundHalfEven(std::numeric_limits<double>::quiet_NaN())));
}

TEST(RoundHalfEven, NegativeHalfGivesPlainZero)
{
    EXPECT_FALSE(std::signbit(naming::roundHalfEven(-0.5)));
}

struct Integer16Row {
    const char* name;
    double value;
    int expected;
};

void PrintTo(const Integer16Row& row, std::ostream* out)
{
    *out << row.name;
}

class ToInteger16Test : public testing::TestWithParam<Integer16Row> {};

TEST_P(ToInteger16Test, RoundsThenHolds)
{
    EXPECT_EQ(naming::toInteger16(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToInteger16Test,
    testing::Values(Integer16Row{"HalfToEven", 2.5, 2}, Integer16Row{"Fraction", 6.7, 7},
                    Integer16Row{"Negative", -12.2, -12}, Integer16Row{"Largest", 32767.4, 32767},
                    Integer16Row{"HalfAboveLargest", 32767.5, 32767}, Integer16Row{"HalfBelowLargest", 32766.5, 32766},
                    Integer16Row{"Smallest", -32768, -32768}, Integer16Row{"HalfBelowSmallest", -32768.5, -32768},
                    Integer16Row{"HeldAbove", 123456, 32767}, Integer16Row{"HeldBelow", -123456, -32768},
                    Integer16Row{"Infinity", Infinity, 32767}, Integer16Row{"NegativeInfinity", -Infinity, -32768},
                    Integer16Row{"NaN", std::numeric_limits<double>::quiet_NaN(), 0}),
    rowName<Integer16Row>);

struct TextRow {
    const char* name;
    double value;
    std::u32string expected;
};

void PrintTo(const TextRow& row, std::ostream* out)
{
    *out << row.name;
}

class DecimalTextTest : public testing::TestWithParam<TextRow> {};

TEST_P(DecimalTextTest, WritesClassicText)
{
    EXPECT_EQ(naming::decimalText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DecimalTextTest,
    testing::Values(
        TextRow{"Zero", 0, U" 0"}, TextRow{"NegativeZero", -0.0, U" 0"}, TextRow{"Five", 5, U" 5"},
        TextRow{"Twelve", 12, U" 12"}, TextRow{"Hundred", 100, U" 100"}, TextRow{"NegativeWhole", -4, U"-4"},
        TextRow{"Half", 0.5, U" .5"}, TextRow{"OneAndHalf", 1.5, U" 1.5"}, TextRow{"NegativeQuarter", -0.25, U"-.25"},
        TextRow{"Tenth", 0.1, U" .1"}, TextRow{"HundredAndQuarter", 100.25, U" 100.25"},
        TextRow{"SumRoundedToFifteenDigits", 0.1 + 0.2, U" .3"}, TextRow{"Third", 1.0 / 3, U" .333333333333333"},
        TextRow{"TwoThirdsRoundedUp", 2.0 / 3, U" .666666666666667"},
        TextRow{"FifteenDigitsRoundedUp", 12345.678901234567, U" 12345.6789012346"},
        TextRow{"LargestPlainWhole", 999999999999999, U" 999999999999999"},
        TextRow{"TenToFourteen", 1e14, U" 100000000000000"}, TextRow{"TenToFifteen", 1e15, U" 1E+15"},
        TextRow{"RoundsUpIntoExponent", 999999999999999.9, U" 1E+15"},
        TextRow{"LargeWithFraction", 1.5e20, U" 1.5E+20"}, TextRow{"ThreeExponentDigits", -1e300, U"-1E+300"},
        TextRow{"SmallestPlainFraction", 0.0001, U" .0001"}, TextRow{"SmallFraction", 0.00012, U" .00012"},
        TextRow{"TenToMinusFive", 0.00001, U" 1E-05"}, TextRow{"SmallWithFraction", 0.000015, U" 1.5E-05"},
        TextRow{"NegativeSmall", -2e-7, U"-2E-07"}, TextRow{"Tiny", 1e-300, U" 1E-300"},
        TextRow{"Infinity", Infinity, U" Inf"}, TextRow{"NegativeInfinity", -Infinity, U"-Inf"},
        TextRow{"NaN", std::numeric_limits<double>::quiet_NaN(), U" NaN"}),
    rowName<TextRow>);

} // namespace
