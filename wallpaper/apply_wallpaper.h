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
// up is waited for until wait_until (by default not at all). When another backend than the first
// had to be used, a line on stderr says so and why; when none can run, the reason lists what was
// tried.
Status ApplyWallpaper(const std::string& image_path, const BackendList& backends,
                      std::chrono::steady_clock::time_point wait_until = {});

// Picks a random entry and applies it; the chosen path comes back (even when applying failed,
// as the failure's subject). An empty list changes nothing.
struct PickOutcome {
    std::string path;
    Status status;
};
PickOutcome apply_random_entry(const std::vector<std::string>& entries, const BackendList& backends,
                               std::chrono::steady_clock::time_point wait_until = {});

} // namespace wallcycle
