#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace naming {

// The leading number of a text once spaces, tabs and line feeds are removed; 0 when the text does
// not begin with one. A number is an optional sign, digits, an optional point with more digits and
// an optional exponent (E or D in either case, optional sign, digits). "&H" and "&O" start a
// hexadecimal or octal whole number instead. Too large a value gives an infinity; never throws.
double numericValue(std::u32string_view text);

// Nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
// Infinities and NaN are returned as they are.
double roundHalfEven(double value);

// roundHalfEven, then held to [-32768, 32767]; infinities are held too and NaN gives 0.
std::int16_t toInteger16(double value);

// The classic BASIC text of a number: a leading space unless negative, no leading zero before the
// point (" .5"), at most 15 significant digits, and the exponent form (" 1.5E+20", " 1E-05") for
// magnitudes from 1E+15 on and below 1E-04. Infinities read " Inf" and "-Inf", NaN reads " NaN".
std::u32string decimalText(double value);

} // namespace naming
