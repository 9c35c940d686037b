#include "wallpaper/backend_registry.h"

namespace wallcycle {

// Each defined in its backend's own file.
std::unique_ptr<WallpaperBackend> make_lxde_backend();
std::unique_ptr<WallpaperBackend> make_sway_backend();
std::unique_ptr<WallpaperBackend> make_x11_backend();

namespace {

constexpr BackendRow rows[] = {
    {"gnome", "gnome ubuntu unity budgie budgie-desktop pantheon gnome-flashback gnome-classic pop", nullptr,
     gsettings_module},
    {"cinnamon", "x-cinnamon cinnamon", nullptr, gsettings_module},
    {"mate", "mate", nullptr, gsettings_module},
    {"xfce", "xfce xubuntu", nullptr, qt_desktops_module},
    {"kde", "kde plasma plasmawayland", nullptr, qt_desktops_module},
    {"lxqt", "lxqt lubuntu", nullptr, qt_desktops_module},
    {"lxde", "lxde", make_lxde_backend},
    // swaybg draws on any wlroots compositor.
    {"sway", "sway wlroots hyprland river wayfire labwc", make_sway_backend},
    // The last resort under any window manager; never named by a session.
    {"x11", "", make_x11_backend},
};

} // namespace

std::span<const BackendRow> backend_rows() {
    return rows;
}

} // namespace wallcycle
