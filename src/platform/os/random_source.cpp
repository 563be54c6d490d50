#include "platform/os/random_source.h"

#include <QTime>

namespace platform {

TimeSeededRandom::TimeSeededRandom()
    : engine_(static_cast<std::mt19937::result_type>(QTime::currentTime().msecsSinceStartOfDay() / 1000))
{
}

double TimeSeededRandom::next()
{
    return distribution_(engine_);
}

} // namespace platform
