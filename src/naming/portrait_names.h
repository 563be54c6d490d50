#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace naming {

// The stem of a listed entry: its name without the last 5 characters ("L.bmp" in some letter
// case, as the list pattern guarantees). A shorter name has the empty stem.
std::u32string stemOfEntry(std::u32string_view entryName);

// The name looked up, case-blind, for the small partner of a stem.
std::u32string smallPartnerName(std::u32string_view stem);
// The same for a listed entry (its stem: the name without its last 5 characters).
std::u32string smallPartnerOfEntry(std::u32string_view entryName);

// Letters of generated names: gender 1 Male, 2 Female; class 1 Mage, 2 Priest, 3 Rogue, 4 Warrior.
// Any other index gives U'\0'.
char32_t genderLetter(int genderIndex);
char32_t smallGenderLetter(int genderIndex);
char32_t classLetter(int classIndex);

// A stem typed by the user for a rename: 1 to 7 characters, nothing else checked.
inline constexpr std::size_t MaxUserStemLength = 7;
bool isAcceptableUserStem(std::u32string_view answer);

// The lower case of one character, from the caller's Unicode tables: names must not change with the
// user's locale, and the standard library knows no other lower case.
using LowerCase = char32_t (*)(char32_t);

// What keeps the files of a user's stem off volumes that Windows reads (FAT, exFAT, NTFS): a character
// Windows forbids in names (the first one), a stem ending in a dot or a space, or a stem or file name that
// Windows takes for a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, before any dot, in any case).
struct WindowsNameFault {
    enum class Kind { None, Character, Ending, DeviceName };
    Kind kind = Kind::None;
    char32_t character = 0; // for Character
    std::u32string name;    // for DeviceName: the stem or the file name a device owns
};
WindowsNameFault windowsNameFault(std::u32string_view stem);

// Files of a user-chosen stem: the large keeps the stem as typed, the small lower-cases its first
// character ("Hero" gives "HeroL.bmp" and "heroS.bmp").
std::u32string userLargeFileName(std::u32string_view stem);
std::u32string userSmallFileName(std::u32string_view stem, LowerCase lowerCase);

// Which of `smallFiles` belongs to each of `largeEntries`, for entries whose names differ only in
// letter case (a disk that tells case apart can hold them side by side) and the small files answering
// to their partner name. One small picture never serves two sets: a small file goes first to the entry
// whose partner it spells exactly, then to the entry whose small name it spells as this program writes
// it, then to the remaining entries in the given order. Both lists in list order; the result holds an
// index into `smallFiles` per entry, or -1.
std::vector<int> pairSmallPictures(const std::vector<std::u32string>& largeEntries,
                                   const std::vector<std::u32string>& smallFiles, LowerCase lowerCase);

} // namespace naming
