#include "platform/random_fraction.h"

#include <chrono>
#include <random>

namespace wallcycle {

float fraction_from_seed(unsigned long long seed) {
    std::mt19937 generator(static_cast<std::mt19937::result_type>(seed ^ (seed >> 32)));
    // 24 random bits fill a float's mantissa exactly; the largest value is 1 - 2^-24, never 1.
    // (std::generate_canonical<float> may round up to 1.0.)
    return static_cast<float>(generator() >> 8) * (1.0f / 16777216.0f);
}

float clock_seeded_fraction() {
    auto now = std::chrono::high_resolution_clock::now().time_since_epoch();
    return fraction_from_seed(
        static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
}

} // namespace wallcycle
