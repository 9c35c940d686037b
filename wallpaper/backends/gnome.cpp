// GNOME and the desktops built on it (Ubuntu, Budgie, Unity, Pantheon).

#include "wallpaper/backends/gsettings_access.h"

extern "C" wallcycle::WallpaperBackend* wallcycle_make_gnome_backend() {
    using namespace wallcycle;
    return new GSettingsDesktopBackend(
        "gnome", GSettingsWallpaperKeys{"org.gnome.desktop.background", "picture-uri", true,
                                        "picture-uri-dark", "picture-options", "zoom"});
}
