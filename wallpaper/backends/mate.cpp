// MATE: the picture in GSettings, stored in dconf; MATE keeps a plain path, not a URI.

#include "wallpaper/backends/gsettings_access.h"

extern "C" wallcycle::WallpaperBackend* wallcycle_make_mate_backend() {
    using namespace wallcycle;
    return new GSettingsDesktopBackend("mate",
                                       GSettingsWallpaperKeys{"org.mate.background", "picture-filename",
                                                              false, nullptr, "picture-options", "zoom"});
}
