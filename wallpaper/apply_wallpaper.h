#pragma once

#include "platform/result.h"
#include "wallpaper/backend.h"

#include <memory>
#include <string>
#include <vector>

namespace wallcycle {

using BackendList = std::vector<std::unique_ptr<WallpaperBackend>>;

// Sets the wallpaper through the first backend that can run here. When none can, the reason
// lists what was tried.
Status ApplyWallpaper(const std::string& image_path, const BackendList& backends);

// Picks a random entry and applies it; the chosen path comes back (even when applying failed,
// as the failure's subject). An empty list changes nothing.
struct PickOutcome {
    std::string path;
    Status status;
};
PickOutcome apply_random_entry(const std::vector<std::string>& entries, const BackendList& backends);

} // namespace wallcycle
