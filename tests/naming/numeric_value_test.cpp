#include "naming/numeric_value.h"

#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

TEST(NumericValue, ReadsLeadingNumber)
{
    // clang-format off
    const std::tuple<const char*, std::u32string, double> rows[] = {
        {"LeadingZeroStopsAtLetter", U"05L", 5},
        {"StopsAtSizeLetter", U"1L", 1},
        {"LetterFirstIsZero", U"L.", 0},
        {"BlankBeforeSizeLetter", U"7 L.bmp", 7},
        {"BlanksRemovedEverywhere", U" - 1 2\t3\n", -123},
        {"CarriageReturnIsNotBlank", U"\r5", 0},
        {"TwoSigns", U"--3", 0},
        {"FractionStopsAtSecondPoint", U".5.3", 0.5},
        {"ExponentE", U"1.5E+2", 150},
        {"ExponentSmallD", U"2d-1", 0.2},
        {"HexadecimalNotNegative", U"&hFfFf", 65535},
        {"OctalStopsAtEight", U"&o18", 1},
        {"OverflowGivesInfinity", U"-1D400", -INFINITY},
        {"HugeExponent", U"1E99999999999999999999", INFINITY},
        {"UnderflowGivesZero", U"1E-400", 0},
        {"FractionUnderflowGivesZero", U".1E-400", 0},
        {"ZeroWithHugeExponent", U"0E99999", 0},
    };
    // clang-format on
    for (const auto& [name, text, value] : rows) {
        EXPECT_EQ(naming::numericValue(text), value) << name;
    }
}

TEST(RoundHalfEven, RoundsThenHoldsToSixteenBits)
{
    // clang-format off
    const std::tuple<const char*, double, double, int> rows[] = {
        {"HalfDownToEven", 2.5, 2, 2},
        {"HalfUpToEven", 3.5, 4, 4},
        {"NegativeHalfToEven", -2.5, -2, -2},
        // Adding 0.5 and taking the floor would give 1.
        {"JustBelowHalf", 0.49999999999999994, 0, 0},
        {"HalfAboveLargest", 32767.5, 32768, 32767},
        {"HeldBelow", -32769, -32769, -32768},
        {"Infinity", INFINITY, INFINITY, 32767},
    };
    // clang-format on
    for (const auto& [name, value, rounded, integer16] : rows) {
        SCOPED_TRACE(name);
        EXPECT_EQ(naming::roundHalfEven(value), rounded);
        EXPECT_EQ(naming::toInteger16(value), integer16);
    }
}

TEST(DecimalText, WritesClassicText)
{
    // clang-format off
    const std::tuple<const char*, double, std::u32string> rows[] = {
        {"Hundred", 100, U" 100"},
        {"NegativeWithoutLeadingZero", -0.25, U"-.25"},
        {"TwoThirdsRoundedUp", 2.0 / 3, U" .666666666666667"},
        {"LargeInExponentForm", 1e15, U" 1E+15"},
        {"SmallInExponentForm", 0.00001, U" 1E-05"},
        {"NegativeInfinity", -INFINITY, U"-Inf"},
    };
    // clang-format on
    for (const auto& [name, value, text] : rows) {
        EXPECT_EQ(naming::decimalText(value), text) << name;
    }
}
