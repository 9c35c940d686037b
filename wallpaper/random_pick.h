#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wallcycle {

// The index for a fraction 0 <= r < 1: floor(float(count) * r), the product formed in double.
// Always within 0 .. count-1 for count >= 1 (a float count rounded up is held back).
std::size_t pick_index(std::size_t count, float fraction);

// A random entry, from `fraction` or else the generator seeded from the clock; nothing for an empty
// list. The count is read before the fraction is drawn.
std::optional<std::string> PickRandomEntry(const std::vector<std::string>& entries,
                                           const std::function<float()>& fraction = {});

} // namespace wallcycle
