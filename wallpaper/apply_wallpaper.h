#pragma once

#include "platform/result.h"
#include "wallpaper/backend.h"

#include <chrono>
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

} // namespace wallcycle
