// Cinnamon.

#include "wallpaper/backends/gsettings_access.h"

extern "C" wallcycle::WallpaperBackend* wallcycle_make_cinnamon_backend() {
    using namespace wallcycle;
    return new GSettingsDesktopBackend("cinnamon", GSettingsWallpaperKeys{"org.cinnamon.desktop.background",
                                                                          "picture-uri", true, nullptr,
                                                                          "picture-options", "zoom"});
}
