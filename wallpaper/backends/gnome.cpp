// GNOME and the desktops built on it (Ubuntu, Budgie, Unity, Pantheon).

#include "wallpaper/backends/desktop_backends.h"
#include "wallpaper/backends/gsettings_access.h"

namespace wallcycle {

std::unique_ptr<WallpaperBackend> make_gnome_backend() {
    return std::make_unique<GSettingsDesktopBackend>(
        "gnome", GSettingsWallpaperKeys{"org.gnome.desktop.background", "picture-uri", true,
                                        "picture-uri-dark", "picture-options", "zoom"});
}

} // namespace wallcycle
