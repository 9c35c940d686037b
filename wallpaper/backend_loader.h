#pragma once

#include "wallpaper/apply_wallpaper.h"
#include "wallpaper/desktop_detection.h"

#include <string>
#include <vector>

namespace wallcycle {

// The backend of that name; one that names no desktop says so when asked whether it can run.
std::unique_ptr<WallpaperBackend> make_backend(const std::string& name);

// Whether any of the desktops named would use the session bus (one of an unknown name might).
bool any_uses_session_bus(const std::vector<std::string>& names);

// The backends for the desktop the environment describes, in the order they are tried.
BackendList backends_for(const DesktopEnvironment& environment);

// The same for this session.
BackendList desktop_backends();

} // namespace wallcycle
