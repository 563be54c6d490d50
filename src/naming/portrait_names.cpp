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

namespace {

// Windows names a device by its name up to the first dot, trailing spaces aside, in any letter case.
bool isDeviceName(std::u32string_view name)
{
    name = name.substr(0, name.find(U'.'));
    while (!name.empty() && name.back() == U' ')
        name.remove_suffix(1);
    std::string upper;
    for (const char32_t c : name) {
        if (c > 0x7f)
            return false;
        upper += char(c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c);
    }
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL")
        return true;
    return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

} // namespace

WindowsNameFault windowsNameFault(std::u32string_view stem)
{
    using Kind = WindowsNameFault::Kind;
    for (const char32_t c : stem)
        if (c < 0x20 || c == 0x7f || std::u32string_view(U"\"*/:<>?\\|").find(c) != std::u32string_view::npos)
            return {Kind::Character, c, {}};
    if (!stem.empty() && (stem.back() == U'.' || stem.back() == U' '))
        return {Kind::Ending, 0, {}};
    // The small file's first letter only differs in case, which a device name ignores.
    for (const std::u32string& name : {std::u32string(stem), userLargeFileName(stem), smallPartnerName(stem)})
        if (isDeviceName(name))
            return {Kind::DeviceName, 0, name};
    return {};
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
