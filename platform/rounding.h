#pragma once

#include <cstdint>
#include <optional>

namespace wallcycle {

// Nearest whole number, ties to the even neighbour; nothing when it does not fit 32 bits.
std::optional<std::int32_t> round_half_even_to_int32(double value);

} // namespace wallcycle
