#include "portrait_names.h"

namespace naming {

namespace {

constexpr std::size_t SizeSuffixLength = 5; // "L.bmp"

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

std::u32string userSmallFileName(std::u32string_view stem, LowerCase lowerCase)
{
    std::u32string name(stem);
    if (!name.empty()) {
        name[0] = lowerCase(name[0]);
    }
    return name + U"S.bmp";
}

std::vector<int> pairSmallPictures(const std::vector<std::u32string>& largeEntries,
                                   const std::vector<std::u32string>& smallFiles, LowerCase lowerCase)
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
    claimBySpelling(
        [lowerCase](const std::u32string& entry) { return userSmallFileName(stemOfEntry(entry), lowerCase); });
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
