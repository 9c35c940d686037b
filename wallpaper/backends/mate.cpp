// MATE: the picture in GSettings, stored in dconf; MATE keeps a plain path, not a URI.

#include "wallpaper/backends/desktop_backends.h"
#include "wallpaper/backends/gsettings_access.h"

namespace wallcycle {

std::unique_ptr<WallpaperBackend> make_mate_backend() {
    return std::make_unique<GSettingsDesktopBackend>(
        "mate", GSettingsWallpaperKeys{"org.mate.background", "picture-filename", false, nullptr,
                                       "picture-options", "zoom"});
}

} // namespace wallcycle
