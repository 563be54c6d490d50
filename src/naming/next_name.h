#pragma once

#include <string>
#include <vector>

namespace naming {

struct NextName {
    // Normally a whole number from 1 up; above 99 the type is full. Odd names in the destination
    // can make it fractional or negative.
    double nextNumber = 0;
    std::u32string targetLargeName; // e.g. U"MM05L"
    std::u32string targetSmallName; // e.g. U"mM05S"
};

// The names the next set filed into a destination receives, from the chosen gender (1..2) and class
// (1..4) and the destination's large-picture names in list order (alphabetical, case ignored).
// An index out of range leaves its letter out.
NextName allocateNextName(int genderIndex, int classIndex, const std::vector<std::u32string>& entries);

// The letters a generated name of that gender and class begins with. Only the entries of the list
// that begin with them in some letter case, one run in list order, can change the allocation.
std::u32string typePrefix(int genderIndex, int classIndex);

} // namespace naming
