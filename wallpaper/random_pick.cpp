#include "wallpaper/random_pick.h"

#include "platform/random_fraction.h"

#include <cmath>

namespace wallcycle {

std::size_t pick_index(std::size_t count, float fraction) {
    if (count == 0)
        return 0;
    double product = static_cast<double>(static_cast<float>(count)) * static_cast<double>(fraction);
    double index = std::floor(product);
    if (!(index >= 0.0))
        return 0;
    if (index >= static_cast<double>(count))
        return count - 1;
    return static_cast<std::size_t>(index);
}

std::optional<std::string> PickRandomEntry(const std::vector<std::string>& entries,
                                           const std::function<float()>& fraction) {
    std::size_t count = entries.size();
    if (count == 0)
        return std::nullopt;
    return entries[pick_index(count, fraction ? fraction() : clock_seeded_fraction())];
}

} // namespace wallcycle
