#include "wallpaper/backend_loader.h"

#include "wallpaper/backends/desktop_backends.h"
#include "wallpaper/backends/desktop_module.h"
#include "wallpaper/backends/x11_root.h"

namespace wallcycle {
namespace {

class UnknownBackend : public WallpaperBackend {
public:
    explicit UnknownBackend(std::string name) : name_(std::move(name)) {}
    const char* name() const override { return name_.c_str(); }
    Status can_run() const override {
        std::string known;
        for (const auto& name : known_backends())
            known += (known.empty() ? "" : ", ") + name;
        return fail("WALLCYCLE_BACKEND names no desktop wallcycle knows (known: " + known + ")");
    }
    Status apply(const std::string&) override { return can_run(); }

private:
    std::string name_;
};

} // namespace

bool is_bus_desktop(const std::string& name) {
    return name == "gnome" || name == "cinnamon" || name == "mate" || name == "xfce" || name == "kde";
}

std::unique_ptr<WallpaperBackend> make_backend(const std::string& name) {
    if (is_bus_desktop(name))
        return make_bus_desktop(name);
    if (name == "lxqt")
        return make_lxqt_backend();
    if (name == "lxde")
        return make_lxde_backend();
    if (name == "sway")
        return make_sway_backend();
    if (name == "x11")
        return std::make_unique<X11RootBackend>();
    return std::make_unique<UnknownBackend>(name);
}

BackendList backends_for(const DesktopEnvironment& environment) {
    BackendList backends;
    for (const auto& name : candidate_backends(environment))
        backends.push_back(make_backend(name));
    return backends;
}

BackendList desktop_backends() {
    return backends_for(desktop_environment_from_os());
}

} // namespace wallcycle
