#include "wallpaper/backend_loader.h"

#include "wallpaper/backend_registry.h"

#include <algorithm>

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

} // namespace

std::unique_ptr<WallpaperBackend> make_backend(const std::string& name) {
    std::string known;
    for (const BackendRow& row : backend_rows()) {
        if (row.name == name) {
            Result<WallpaperBackend*> made = row.make();
            return made ? std::unique_ptr<WallpaperBackend>(made.value())
                        : unavailable_backend(name, made.reason());
        }
        known += (known.empty() ? "" : ", ") + std::string(row.name);
    }
    return unavailable_backend(name,
                               "WALLCYCLE_BACKEND names no desktop wallcycle knows (known: " + known + ")");
}

bool any_uses_session_bus(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const auto rows = backend_rows();
        auto row =
            std::find_if(rows.begin(), rows.end(), [&](const BackendRow& r) { return r.name == name; });
        if (row == rows.end() || row->uses_session_bus)
            return true;
    }
    return false;
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
