// For the tests: the bus desktops' module the build made, loaded as the program loads it.

#include "platform/module_loader.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backend_registry.h"

namespace wallcycle {

std::unique_ptr<WallpaperBackend> make_bus_desktop(const std::string& name) {
    Result<void*> maker = module_function_at(WALLCYCLE_BUS_MODULE, bus_desktop_maker(name).c_str());
    if (!maker)
        return unavailable_backend(name, maker.reason());
    return std::unique_ptr<WallpaperBackend>(reinterpret_cast<WallpaperBackend* (*)()>(maker.value())());
}

} // namespace wallcycle
