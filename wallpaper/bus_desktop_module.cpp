// For the program: the bus desktops' module is loaded the first time one of them is asked for.

#include "platform/module_loader.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backends/desktop_module.h"

namespace wallcycle {
namespace {

// Stands in for a desktop whose module cannot be loaded, and says why when asked.
class MissingModuleBackend : public WallpaperBackend {
public:
    MissingModuleBackend(std::string name, std::string reason)
        : name_(std::move(name)), reason_(std::move(reason)) {}
    const char* name() const override { return name_.c_str(); }
    Status can_run() const override { return fail(reason_); }
    Status apply(const std::string&) override { return fail(reason_); }

private:
    std::string name_;
    std::string reason_;
};

} // namespace

std::unique_ptr<WallpaperBackend> make_bus_desktop(const std::string& name) {
    Result<void*> entry = module_function(bus_desktops_module, bus_desktops_entry);
    if (!entry)
        return std::make_unique<MissingModuleBackend>(name, entry.reason());
    auto make = reinterpret_cast<MakeBusDesktop>(entry.value());
    return std::unique_ptr<WallpaperBackend>(make(name.c_str()));
}

} // namespace wallcycle
