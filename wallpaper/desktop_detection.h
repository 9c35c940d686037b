#pragma once
// Which desktop backends to try, from what the session's environment says about the desktop.

#include <string>
#include <vector>

namespace wallcycle {

struct DesktopEnvironment {
    std::string current_desktop;   // XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"
    std::string desktop_session;   // DESKTOP_SESSION
    std::string swaysock;          // SWAYSOCK
    std::string wayland_display;   // WAYLAND_DISPLAY
    std::string display;           // DISPLAY
    std::string forced;            // WALLCYCLE_BACKEND: this backend and no other
    std::string session_type = {}; // XDG_SESSION_TYPE ("x11", "wayland")
};

DesktopEnvironment desktop_environment_from_os();

// Whether the session is a Wayland one, where no compositor shows the X11 root window (Xwayland's
// root is never on screen).
bool wayland_session(const DesktopEnvironment& environment);

// Backend names, most likely first: the desktops XDG_CURRENT_DESKTOP names (in its order), then
// DESKTOP_SESSION's, then a wlroots compositor when Wayland is up, then the X11 root window when
// an X display is there and the session is not a Wayland one. No name appears twice.
std::vector<std::string> candidate_backends(const DesktopEnvironment& environment);

} // namespace wallcycle
