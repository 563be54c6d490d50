// The numeric value of any text, its rounding and its decimal text never crash or misbehave.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "naming/numeric_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::u32string text(data, data + size);
    const double value = naming::numericValue(text);
    const double rounded = naming::roundHalfEven(value);
    if (std::isfinite(value) && std::fabs(rounded - value) > 0.5)
        std::abort();
    const std::int16_t small = naming::toInteger16(value);
    if (std::isfinite(value) && value >= 32767.5 && small != 32767)
        std::abort();
    if (naming::decimalText(value).empty())
        std::abort();
    return 0;
}
