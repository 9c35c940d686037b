// For the program: the bus desktops' module is loaded the first time one of them is asked for.

#include "platform/module_loader.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backend_registry.h"
#include "wallpaper/backends/desktop_module.h"

namespace wallcycle {

std::unique_ptr<WallpaperBackend> make_bus_desktop(const std::string& name) {
    return made_by(name, module_function(bus_desktops_module, bus_desktop_maker(name).c_str()));
}

} // namespace wallcycle
