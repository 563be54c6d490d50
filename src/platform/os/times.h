#pragma once

#include <cstdint>
#include <ctime>

namespace platform {

// A file time as one number, so that stamps compare and store simply.
inline std::int64_t nanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}

} // namespace platform
