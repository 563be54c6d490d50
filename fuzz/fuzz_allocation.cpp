// The allocation over any list of entries: no crash, and names of the generated shape.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "naming/next_name.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int gender = data[0] % 3;
    const int klass = data[1] % 5;
    std::vector<std::u32string> entries(1);
    for (std::size_t i = 2; i < size; ++i) {
        if (data[i] == '\n')
            entries.emplace_back();
        else
            entries.back() += char32_t(data[i]);
    }
    const naming::NextName next = naming::allocateNextName(gender, klass, entries);
    if (gender != 0 && klass != 0) {
        // prefix, two characters of the number, size letter
        const std::u32string& large = next.targetLargeName;
        const std::u32string& small = next.targetSmallName;
        if (large.size() != 5 || large.back() != U'L' || small.size() != 5 || small.back() != U'S')
            std::abort();
        if (large.substr(1, 3) != small.substr(1, 3))
            std::abort();
    }
    return 0;
}
