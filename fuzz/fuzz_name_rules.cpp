// Stems, partner names and user-chosen names for any text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "naming/portrait_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::u32string text;
    for (std::size_t i = 0; i + 3 < size; i += 4)
        text += char32_t(data[i] | data[i + 1] << 8 | data[i + 2] << 16 | (data[i + 3] & 0x1f) << 24);
    const std::u32string stem = naming::stemOfEntry(text);
    if (stem.size() != (text.size() >= 5 ? text.size() - 5 : 0))
        std::abort();
    if (naming::smallPartnerOfEntry(text) != stem + U"S.bmp")
        std::abort();
    if (naming::isAcceptableUserStem(text)) {
        if (text.empty() || text.size() > naming::MaxUserStemLength)
            std::abort();
        if (naming::userLargeFileName(text) != text + U"L.bmp" ||
            naming::userSmallFileName(text, [](char32_t c) { return c == U'A' ? U'a' : c; }).size() != text.size() + 5)
            std::abort();
    }
    return 0;
}
