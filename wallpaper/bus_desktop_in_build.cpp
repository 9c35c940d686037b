// For the tests: the bus desktops' module the build made, loaded as the program loads it.

#include "platform/module_loader.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backend_registry.h"

namespace wallcycle {

std::unique_ptr<WallpaperBackend> make_bus_desktop(const std::string& name) {
    return made_by(name, module_function_at(WALLCYCLE_BUS_MODULE, bus_desktop_maker(name).c_str()));
}

} // namespace wallcycle
