#include "next_name.h"

#include <cstdint>
#include <string_view>

#include "numeric_value.h"
#include "portrait_names.h"

namespace naming {

namespace {

// Like substr, but a start past the end gives the empty text: short names must not throw.
std::u32string_view slice(std::u32string_view text, std::size_t from, std::size_t count = std::u32string_view::npos)
{
    return from < text.size() ? text.substr(from, count) : std::u32string_view();
}

// A two-digit field that reads as 0 ("00", "0x", "ag") is read again from its second character to the
// end of the name.
double currentNumber(std::u32string_view entry)
{
    const double value = numericValue(slice(entry, 2, 2));
    return value != 0 ? value : numericValue(slice(entry, 3));
}

// The same for the entry that follows, but as a 16-bit whole number, before it is compared with 0.
std::int16_t followingNumber(std::u32string_view entry)
{
    const std::int16_t value = toInteger16(numericValue(slice(entry, 2, 2)));
    return value != 0 ? value : toInteger16(numericValue(slice(entry, 3)));
}

struct Scan {
    double count = 0; // of the entries of the type, up to the first gap, where it is that gap's number
    bool hasNumberOne = false;
};

// The scan trusts the list order: one prefix forms a run and its numbers ascend, so the first
// step of more than one between neighbours is the lowest gap. Its quirks are kept on purpose,
// since users' directories were filled by them: names that begin with the prefix count even
// without a number, the neighbour of an entry is only compared when its first two characters
// match exactly, and the next number is a 16-bit whole number while the current one is not.
Scan scan(const std::u32string& prefix, const std::vector<std::u32string>& entries)
{
    Scan result;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::u32string_view entry = entries[i];
        const std::u32string_view head = slice(entry, 0, 2);
        if (head != prefix) {
            continue;
        }
        if (slice(entry, 2, 2) == U"01") {
            result.hasNumberOne = true;
        }
        result.count += 1;
        if (i + 1 == entries.size() || slice(entries[i + 1], 0, 2) != head) {
            continue;
        }
        const double current = currentNumber(entry);
        if (followingNumber(entries[i + 1]) - current > 1) {
            result.count = current;
            break;
        }
    }
    return result;
}

// Without a set numbered 01 the number is always 01, whatever the count says. From 100 on the
// stem keeps the last two digits; callers see the full type from nextNumber.
std::u32string stemNumber(double nextNumber, bool hasNumberOne)
{
    if (!hasNumberOne) {
        return U"01";
    }
    const std::u32string text = decimalText(nextNumber);
    if (nextNumber < 10) {
        return std::u32string(1, U'0') + text.back();
    }
    return text.substr(text.size() - 2);
}

} // namespace

std::u32string typePrefix(int genderIndex, int classIndex)
{
    std::u32string prefix;
    for (const char32_t letter : {genderLetter(genderIndex), classLetter(classIndex)})
        if (letter != U'\0')
            prefix += letter;
    return prefix;
}

NextName allocateNextName(int genderIndex, int classIndex, const std::vector<std::u32string>& entries)
{
    const std::u32string prefix = typePrefix(genderIndex, classIndex);
    std::u32string smallName;
    if (genderLetter(genderIndex) != U'\0')
        smallName += smallGenderLetter(genderIndex);

    const Scan found = scan(prefix, entries);
    const double nextNumber = found.count + 1;
    const std::u32string stem = prefix + stemNumber(nextNumber, found.hasNumberOne);

    NextName result;
    result.nextNumber = nextNumber;
    result.targetLargeName = stem + U"L";
    result.targetSmallName = smallName + std::u32string(slice(stem, 1)) + U"S";
    return result;
}

} // namespace naming
