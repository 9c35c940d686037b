// The entry of the module holding the desktops reached over D-Bus and GSettings.

#include "wallpaper/backends/desktop_module.h"
#include "wallpaper/backends/desktop_backends.h"

#include <cstring>

extern "C" wallcycle::WallpaperBackend* wallcycle_make_bus_desktop(const char* name) {
    using namespace wallcycle;
    std::unique_ptr<WallpaperBackend> backend;
    if (std::strcmp(name, "gnome") == 0)
        backend = make_gnome_backend();
    else if (std::strcmp(name, "cinnamon") == 0)
        backend = make_cinnamon_backend();
    else if (std::strcmp(name, "mate") == 0)
        backend = make_mate_backend();
    else if (std::strcmp(name, "xfce") == 0)
        backend = make_xfce_backend();
    else if (std::strcmp(name, "kde") == 0)
        backend = make_kde_backend();
    return backend.release();
}
