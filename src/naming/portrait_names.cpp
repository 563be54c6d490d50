#include "portrait_names.h"

namespace naming {

namespace {

constexpr std::size_t SizeSuffixLength = 5; // "L.bmp"

bool isEven(char32_t c)
{
    return c % 2 == 0;
}

} // namespace

std::u32string stemOfEntry(std::u32string_view entryName)
{
    if (entryName.size() <= SizeSuffixLength) {
        return {};
    }
    return std::u32string(entryName.substr(0, entryName.size() - SizeSuffixLength));
}

std::u32string smallPartnerName(std::u32string_view stem)
{
    return std::u32string(stem) + U"S.bmp";
}

std::u32string smallPartnerOfEntry(std::u32string_view entryName)
{
    return smallPartnerName(stemOfEntry(entryName));
}

char32_t genderLetter(int genderIndex)
{
    switch (genderIndex) {
    case 1:
        return U'M';
    case 2:
        return U'F';
    default:
        return U'\0';
    }
}

char32_t smallGenderLetter(int genderIndex)
{
    switch (genderIndex) {
    case 1:
        return U'm';
    case 2:
        return U'f';
    default:
        return U'\0';
    }
}

char32_t classLetter(int classIndex)
{
    switch (classIndex) {
    case 1:
        return U'M';
    case 2:
        return U'P';
    case 3:
        return U'R';
    case 4:
        return U'W';
    default:
        return U'\0';
    }
}

bool isAcceptableUserStem(std::u32string_view answer)
{
    return !answer.empty() && answer.size() <= MaxUserStemLength;
}

std::u32string userLargeFileName(std::u32string_view stem)
{
    return std::u32string(stem) + U"L.bmp";
}

std::u32string userSmallFileName(std::u32string_view stem)
{
    std::u32string name(stem);
    if (!name.empty()) {
        name[0] = lowerCaseLetter(name[0]);
    }
    return name + U"S.bmp";
}

// Plain code-point rules, the same on every machine: a name must not change with the user's locale.
char32_t lowerCaseLetter(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)) {
        return c + 0x20;
    }
    if (c >= 0x0100 && c <= 0x017F) {
        // Latin Extended-A pairs capital and small letters, but the pairing shifts by one after the
        // letters that have no partner (U+0130/U+0131, U+0138, U+0149); U+0178 pairs with U+00FF.
        if (c == 0x0130) {
            // Dotted capital I stays: outside Turkish rules it is not the same letter as "i" when names
            // are compared with case ignored, and a small name must pair with its large name.
            return c;
        }
        if (c == 0x0178) {
            return 0x00FF;
        }
        const bool capitalOnEven = (c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177);
        const bool capitalOnOdd = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
        if ((capitalOnEven && isEven(c)) || (capitalOnOdd && !isEven(c))) {
            return c + 1;
        }
        return c;
    }
    if (c >= 0x0391 && c <= 0x03A9 && c != 0x03A2) {
        return c + 0x20;
    }
    if (c >= 0x0410 && c <= 0x042F) {
        return c + 0x20;
    }
    if (c >= 0x0400 && c <= 0x040F) {
        return c + 0x50;
    }
    return c;
}

std::vector<int> pairSmallPictures(const std::vector<std::u32string>& largeEntries,
                                   const std::vector<std::u32string>& smallFiles)
{
    std::vector<int> partner(largeEntries.size(), -1);
    std::vector<bool> taken(smallFiles.size(), false);
    const auto give = [&](std::size_t entry, std::size_t small) {
        partner[entry] = int(small);
        taken[small] = true;
    };
    // Each round hands out only what is still free, so a stronger claim is never undone by a weaker one.
    const auto claimBySpelling = [&](auto spellingOf) {
        for (std::size_t e = 0; e < largeEntries.size(); ++e) {
            if (partner[e] != -1)
                continue;
            const std::u32string wanted = spellingOf(largeEntries[e]);
            for (std::size_t s = 0; s < smallFiles.size(); ++s)
                if (!taken[s] && smallFiles[s] == wanted) {
                    give(e, s);
                    break;
                }
        }
    };
    claimBySpelling([](const std::u32string& entry) { return smallPartnerOfEntry(entry); });
    claimBySpelling([](const std::u32string& entry) { return userSmallFileName(stemOfEntry(entry)); });
    std::size_t next = 0;
    for (std::size_t e = 0; e < largeEntries.size(); ++e) {
        if (partner[e] != -1)
            continue;
        while (next < smallFiles.size() && taken[next])
            ++next;
        if (next == smallFiles.size())
            break;
        give(e, next);
    }
    return partner;
}

} // namespace naming
