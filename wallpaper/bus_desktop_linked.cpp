// For programs that link the bus desktops in (the tests): called directly.

#include "wallpaper/backend_loader.h"
#include "wallpaper/backends/desktop_module.h"

namespace wallcycle {

std::unique_ptr<WallpaperBackend> make_bus_desktop(const std::string& name) {
    return std::unique_ptr<WallpaperBackend>(wallcycle_make_bus_desktop(name.c_str()));
}

} // namespace wallcycle
