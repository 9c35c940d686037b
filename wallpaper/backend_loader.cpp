#include "wallpaper/backend_loader.h"

#include "platform/program_modules.h"
#include "wallpaper/backend_registry.h"

namespace wallcycle {
namespace {

class UnavailableBackend : public WallpaperBackend {
public:
    UnavailableBackend(std::string name, std::string reason)
        : name_(std::move(name)), reason_(std::move(reason)) {}
    const char* name() const override { return name_.c_str(); }
    Status can_run() const override { return fail(reason_); }
    Status apply(const std::string&) override { return fail(reason_); }

private:
    std::string name_;
    std::string reason_;
};

// Stands in for a desktop that cannot be made (its module is missing), saying why when asked.
std::unique_ptr<WallpaperBackend> unavailable_backend(const std::string& name, std::string reason) {
    return std::make_unique<UnavailableBackend>(name, std::move(reason));
}

// The desktop the module's maker function makes, or one that says why there is none.
std::unique_ptr<WallpaperBackend> made_by(const std::string& name, const Result<void*>& maker) {
    if (!maker)
        return unavailable_backend(name, maker.reason());
    return std::unique_ptr<WallpaperBackend>(reinterpret_cast<WallpaperBackend* (*)()>(maker.value())());
}

} // namespace

std::unique_ptr<WallpaperBackend> make_backend(const std::string& name) {
    std::string known;
    for (const BackendRow& row : backend_rows()) {
        if (row.name == name)
            return row.make != nullptr
                       ? row.make()
                       : made_by(name, program_module_function(row.module, module_maker(name).c_str()));
        known += (known.empty() ? "" : ", ") + std::string(row.name);
    }
    return unavailable_backend(name,
                               "WALLCYCLE_BACKEND names no desktop wallcycle knows (known: " + known + ")");
}

BackendList backends_for(const DesktopEnvironment& environment) {
    BackendList backends;
    for (const auto& name : candidate_backends(environment))
        backends.push_back(make_backend(name));
    if (environment.forced.empty() && wayland_session(environment) && !environment.display.empty())
        backends.push_back(unavailable_backend(
            "x11",
            "a Wayland session does not show the X11 root window (WALLCYCLE_BACKEND=x11 uses it anyway)"));
    return backends;
}

BackendList desktop_backends() {
    return backends_for(desktop_environment_from_os());
}

} // namespace wallcycle
