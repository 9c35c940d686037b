#include "platform/rounding.h"

#include <cmath>

namespace wallcycle {

std::optional<std::int32_t> round_half_even_to_int32(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    // Whole part and fraction, so the result does not depend on the FPU rounding mode.
    double whole = std::floor(value);
    double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        whole += 1.0;
    if (whole < -2147483648.0 || whole > 2147483647.0)
        return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

} // namespace wallcycle
