// Cinnamon.

#include "wallpaper/backends/desktop_backends.h"
#include "wallpaper/backends/gsettings_access.h"

namespace wallcycle {

std::unique_ptr<WallpaperBackend> make_cinnamon_backend() {
    return std::make_unique<GSettingsDesktopBackend>(
        "cinnamon", GSettingsWallpaperKeys{"org.cinnamon.desktop.background", "picture-uri", true, nullptr,
                                           "picture-options", "zoom"});
}

} // namespace wallcycle
