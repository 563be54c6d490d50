#pragma once

#include "platform/os/random_source.h"

namespace testsupport {

struct FixedRandom final : platform::RandomSource {
    double value = 0.5;
    double next() override { return value; }
};

} // namespace testsupport
