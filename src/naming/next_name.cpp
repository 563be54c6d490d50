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

} // namespace

// The scan trusts the list order: one prefix forms a run and its numbers ascend, so the first
// step of more than one between neighbours is the lowest gap. Its quirks are kept on purpose,
// since users' directories were filled by them: names that begin with the prefix count even
// without a number, the neighbour of an entry is only compared when its first two characters
// match exactly, and the next number is a 16-bit whole number while the current one is not.
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

    double nextNumber = 0;
    bool hasNumberOne = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::u32string_view entry = entries[i];
        const std::u32string_view head = slice(entry, 0, 2);
        if (head != prefix) {
            continue;
        }
        if (slice(entry, 2, 2) == U"01") {
            hasNumberOne = true;
        }
        nextNumber += 1;
        if (i + 1 == entries.size()) {
            continue;
        }
        const std::u32string_view follower = entries[i + 1];
        if (slice(follower, 0, 2) != head) {
            continue;
        }
        // A two-digit field that reads as 0 ("00", "0x", "ag") is read again from its second
        // character to the end of the name.
        double current = numericValue(slice(entry, 2, 2));
        std::int16_t next = toInteger16(numericValue(slice(follower, 2, 2)));
        if (current == 0) {
            current = numericValue(slice(entry, 3));
        }
        if (next == 0) {
            next = toInteger16(numericValue(slice(follower, 3)));
        }
        if (next - current > 1) {
            nextNumber = current;
            break;
        }
    }
    nextNumber += 1;

    // Without a set numbered 01 the number is always 01, whatever the count says. From 100 on the
    // stem keeps the last two digits; callers see the full type from nextNumber.
    std::u32string stem = prefix;
    if (!hasNumberOne) {
        stem += U"01";
    } else {
        const std::u32string text = decimalText(nextNumber);
        if (nextNumber < 10) {
            stem += U'0';
            stem += text.back();
        } else {
            stem += text.substr(text.size() - 2);
        }
    }

    NextName result;
    result.nextNumber = nextNumber;
    result.targetLargeName = stem + U"L";
    result.targetSmallName = smallName + std::u32string(slice(stem, 1)) + U"S";
    return result;
}

} // namespace naming
