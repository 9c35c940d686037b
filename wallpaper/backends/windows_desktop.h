#pragma once

#include "wallpaper/backend.h"

namespace wallcycle {

// Windows: SystemParametersInfo stores the picture in the user's profile and tells every window.
// The picture is decoded in full first (GDI+), so a broken file never replaces the wallpaper.
class WindowsDesktopBackend : public WallpaperBackend {
public:
    const char* name() const override { return "windows"; }
    Status can_run() const override { return {}; }
    Status apply(const std::string& image_path) override;
};

} // namespace wallcycle
