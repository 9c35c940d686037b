#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace wallcycle {

// The index for a fraction 0 <= r < 1: floor(float(count) * r), the product formed in double.
// Always within 0 .. count-1 for count >= 1 (a float count rounded up is held back).
std::size_t pick_index(std::size_t count, float fraction);

// A random entry, the generator seeded from the clock first; nothing for an empty list.
std::optional<std::string> PickRandomEntry(const std::vector<std::string>& entries);

} // namespace wallcycle
