#pragma once

#include "platform/result.h"
#include "wallpaper/backend.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wallcycle {

using BackendList = std::vector<std::unique_ptr<WallpaperBackend>>;

// How long "/e" waits for the session's own desktop to come up: an autostart entry may run
// before the desktop's shell is ready.
inline constexpr std::chrono::seconds login_desktop_wait{30};

// Sets the wallpaper through the first backend that can run here. A desktop that may still come
// up is waited for until wait_until (by default not at all); when none can run, the reason lists
// what was tried. Says also whether a desktop took the job (then a failure is the picture's), and
// when another backend than the first had to be used, which and why: the caller says so.
struct ApplyAttempt {
    Status status;
    bool desktop_reached = false;
    std::string fallback = {}; // set through another desktop than the first: which, and why
};
ApplyAttempt apply_through_backends(const std::string& image_path, const BackendList& backends,
                                    std::chrono::steady_clock::time_point wait_until = {});

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
PickOutcome apply_random_entry(const std::vector<std::string>& entries, const BackendList& backends,
                               std::chrono::steady_clock::time_point wait_until = {},
                               const FractionSource& fraction = {});

// The entry the user chose: that picture, or a random picture of that folder.
PickOutcome apply_entry(const std::string& entry, const BackendList& backends,
                        const FractionSource& fraction = {});

} // namespace wallcycle
