#pragma once

#include <random>

namespace platform {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniform draw in [0, 1).
    virtual double next() = 0;
};

// Seeded from the time of day, so every start draws anew.
class TimeSeededRandom final : public RandomSource {
public:
    TimeSeededRandom();
    double next() override;

private:
    std::mt19937 engine_;
    std::uniform_real_distribution<double> distribution_{0.0, 1.0};
};

} // namespace platform
