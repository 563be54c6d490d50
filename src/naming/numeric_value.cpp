#include "numeric_value.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace naming {

namespace {

bool isBlank(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n';
}

bool isDecimalDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

// Value of c as a digit of the given radix (8 or 16), or -1.
int radixDigit(char32_t c, int radix)
{
    int digit = -1;
    if (c >= U'0' && c <= U'9') {
        digit = static_cast<int>(c - U'0');
    } else if (c >= U'a' && c <= U'f') {
        digit = static_cast<int>(c - U'a') + 10;
    } else if (c >= U'A' && c <= U'F') {
        digit = static_cast<int>(c - U'A') + 10;
    }
    return digit < radix ? digit : -1;
}

// "&H"/"&O" numbers are read as non-negative and unbounded: the 16-bit wrap of the old reader
// (&HFFFF as -1) would only turn odd file names into negative numbers.
double radixValue(std::u32string_view digits, int radix)
{
    double value = 0;
    for (const char32_t c : digits) {
        const int digit = radixDigit(c, radix);
        if (digit < 0) {
            break;
        }
        value = value * radix + digit;
    }
    return value;
}

// A decimal number as written, its digits kept as text so that nothing is lost before from_chars reads it.
struct DecimalParts {
    bool negative = false;
    std::string wholeDigits;
    std::string fractionDigits;
    bool exponentNegative = false;
    std::string exponentDigits;
};

// Skips a sign at `pos`; true when it was a minus.
bool readSign(std::u32string_view text, std::size_t& pos)
{
    if (pos < text.size() && (text[pos] == U'+' || text[pos] == U'-')) {
        return text[pos++] == U'-';
    }
    return false;
}

// Appends the decimal digits from `pos` on to `digits`; returns where they end.
std::size_t readDigits(std::u32string_view text, std::size_t pos, std::string& digits)
{
    while (pos < text.size() && isDecimalDigit(text[pos])) {
        digits += static_cast<char>(text[pos++]);
    }
    return pos;
}

bool isExponentLetter(char32_t c)
{
    return c == U'E' || c == U'e' || c == U'D' || c == U'd';
}

DecimalParts decimalParts(std::u32string_view text)
{
    DecimalParts parts;
    std::size_t pos = 0;
    parts.negative = readSign(text, pos);
    pos = readDigits(text, pos, parts.wholeDigits);
    if (pos < text.size() && text[pos] == U'.') {
        pos = readDigits(text, pos + 1, parts.fractionDigits);
    }
    // An exponent letter belongs to the number only when digits follow it ("1E+" reads as 1).
    if (pos < text.size() && isExponentLetter(text[pos])) {
        std::size_t look = pos + 1;
        parts.exponentNegative = readSign(text, look);
        readDigits(text, look, parts.exponentDigits);
    }
    return parts;
}

// Whether a number from_chars could not hold is too large (at least 1) rather than too small,
// judged by the place of its first significant digit. A huge exponent is capped: the answer stays.
bool isLargerThanOne(const DecimalParts& parts)
{
    constexpr long long cap = 1'000'000'000'000LL;
    long long exponent = 0;
    for (const char c : parts.exponentDigits) {
        exponent = exponent * 10 + (c - '0');
        if (exponent > cap) {
            exponent = cap;
            break;
        }
    }
    if (parts.exponentNegative) {
        exponent = -exponent;
    }
    const auto firstWhole = parts.wholeDigits.find_first_not_of('0');
    if (firstWhole != std::string::npos) {
        return exponent + static_cast<long long>(parts.wholeDigits.size() - firstWhole - 1) >= 0;
    }
    const auto firstFraction = parts.fractionDigits.find_first_not_of('0');
    return firstFraction != std::string::npos && exponent - static_cast<long long>(firstFraction + 1) >= 0;
}

double decimalValue(std::u32string_view text)
{
    const DecimalParts parts = decimalParts(text);
    if (parts.wholeDigits.empty() && parts.fractionDigits.empty()) {
        return 0;
    }
    std::string number = parts.wholeDigits.empty() ? std::string("0") : parts.wholeDigits;
    if (!parts.fractionDigits.empty()) {
        number += '.';
        number += parts.fractionDigits;
    }
    if (!parts.exponentDigits.empty()) {
        number += parts.exponentNegative ? "e-" : "e";
        number += parts.exponentDigits;
    }

    // from_chars rather than strtod: a decimal point must not depend on the user's locale.
    double value = 0;
    const auto result =
        std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = isLargerThanOne(parts) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0;
    }
    return parts.negative ? -value : value;
}

} // namespace

double numericValue(std::u32string_view text)
{
    std::u32string compact;
    compact.reserve(text.size());
    for (const char32_t c : text) {
        if (!isBlank(c)) {
            compact += c;
        }
    }

    double value = 0;
    if (!compact.empty() && compact[0] == U'&') {
        const std::u32string_view rest = std::u32string_view(compact).substr(1);
        const char32_t kind = rest.empty() ? U'\0' : rest[0];
        if (kind == U'H' || kind == U'h') {
            value = radixValue(rest.substr(1), 16);
        } else if (kind == U'O' || kind == U'o') {
            value = radixValue(rest.substr(1), 8);
        }
    } else {
        value = decimalValue(compact);
    }
    // "-0" is plain 0 to every caller; keep a negative zero from reaching the text form.
    return value == 0 ? 0.0 : value;
}

double roundHalfEven(double value)
{
    if (!std::isfinite(value)) {
        return value;
    }
    // Done by hand so the result does not hang on the floating-point rounding mode in force.
    const double below = std::floor(value);
    const double fraction = value - below;
    double result = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0)) {
        result = below + 1;
    }
    return result == 0 ? 0.0 : result;
}

std::int16_t toInteger16(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    const double rounded = roundHalfEven(value);
    if (rounded <= std::numeric_limits<std::int16_t>::min()) {
        return std::numeric_limits<std::int16_t>::min();
    }
    if (rounded >= std::numeric_limits<std::int16_t>::max()) {
        return std::numeric_limits<std::int16_t>::max();
    }
    return static_cast<std::int16_t>(rounded);
}

std::u32string decimalText(double value)
{
    if (std::isnan(value)) {
        return U" NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? U" Inf" : U"-Inf";
    }
    if (value == 0) {
        return U" 0";
    }

    // 15 significant digits in the form d.ddddddddddddddde±x; to_chars keeps the locale out.
    char buffer[40];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 14);
    const std::string scientific(buffer, written.ptr);
    const auto exponentAt = scientific.find('e');
    std::string digits = scientific.substr(0, 1) + scientific.substr(2, exponentAt - 2);
    const auto lastNonZero = digits.find_last_not_of('0');
    digits.erase(lastNonZero + 1);

    const bool exponentNegative = scientific[exponentAt + 1] == '-';
    int exponent = 0;
    for (std::size_t i = exponentAt + 2; i < scientific.size(); ++i) {
        exponent = exponent * 10 + (scientific[i] - '0');
    }
    if (exponentNegative) {
        exponent = -exponent;
    }

    std::string body;
    if (exponent >= 15 || exponent <= -5) {
        body = digits.substr(0, 1);
        if (digits.size() > 1) {
            body += '.' + digits.substr(1);
        }
        const std::string exponentText = std::to_string(exponentNegative ? -exponent : exponent);
        body += exponentNegative ? "E-" : "E+";
        body += exponentText.size() < 2 ? '0' + exponentText : exponentText;
    } else if (exponent >= 0) {
        const auto wholeCount = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= wholeCount) {
            body = digits + std::string(wholeCount - digits.size(), '0');
        } else {
            body = digits.substr(0, wholeCount) + '.' + digits.substr(wholeCount);
        }
    } else {
        body = '.' + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }

    std::u32string text(1, value < 0 ? U'-' : U' ');
    for (const char c : body) {
        text += static_cast<char32_t>(c);
    }
    return text;
}

} // namespace naming
