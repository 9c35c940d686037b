#pragma once
// Picks an entry of the list (a picture, or one of a folder's pictures) and applies it.

#include "wallpaper/apply_wallpaper.h"

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wallcycle {

// A fraction 0 <= r < 1 for each draw: the clock-seeded one, or a fixed sequence in tests.
using FractionSource = std::function<float()>;

// A picture from a folder that turns out unusable is skipped (a note) and another
// drawn, at most this many pictures in all.
inline constexpr int picture_attempts = 10;

// A random picture of what the list stands for (a folder entry for the pictures in it, any other
// entry for itself), each equally likely, applied. The chosen path comes back, also when applying
// failed. An empty list, or folders without pictures, change nothing. With no folder in the list
// this is a pick among the entries.
struct PickOutcome {
    std::string path;
    Status status;
    std::vector<std::string> notes = {}; // for stderr: the desktop used instead, pictures skipped
};
// A picture named `avoid` (the one shown now) is drawn only when the list stands for no other.
PickOutcome apply_random_entry(const std::vector<std::string>& entries, const BackendList& backends,
                               std::chrono::steady_clock::time_point wait_until = {},
                               const FractionSource& fraction = {}, std::string_view avoid = {});

// The entry the user chose: that picture, or a random picture of that folder.
PickOutcome apply_entry(const std::string& entry, const BackendList& backends,
                        const FractionSource& fraction = {});

} // namespace wallcycle
