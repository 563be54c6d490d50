#pragma once

#include <algorithm>
#include <cstddef>

// Letter case of plain ASCII names, by hand: the C library's tolower and strcasecmp follow the user's
// locale, and a Turkish one leaves "I" alone.
namespace platform::ascii {

inline bool isAscii(const char* text, std::size_t length)
{
    return std::all_of(text, text + length, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// For bytes of a name on disk and for the UTF-16 units of one in memory alike.
template <typename Char> constexpr Char lower(Char c)
{
    return c >= 'A' && c <= 'Z' ? Char(c - 'A' + 'a') : c;
}

// `suffix` given in lower case.
inline bool endsWithIgnoringCase(const char* text, std::size_t length, const char* suffix, std::size_t suffixLength)
{
    if (length < suffixLength)
        return false;
    const char* tail = text + length - suffixLength;
    for (std::size_t i = 0; i < suffixLength; ++i)
        if (lower(tail[i]) != suffix[i])
            return false;
    return true;
}

} // namespace platform::ascii
