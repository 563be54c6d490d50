#pragma once

#include "platform/os/random_source.h"

namespace testsupport {

class FixedRandom final : public platform::RandomSource {
public:
    explicit FixedRandom(double value) : value_(value) {}
    double next() override { return value_; }

private:
    double value_;
};

} // namespace testsupport
