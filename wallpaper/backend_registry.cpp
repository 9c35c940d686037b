#include "wallpaper/backend_registry.h"

#include "platform/program_modules_linux.h"

#include <algorithm>
#include <cstddef>

// Each backend's file ends with the function that makes it, all alike:
//     extern "C" wallcycle::WallpaperBackend* wallcycle_make_NAME_backend()
// Those linked into the program are declared here; those in a module are found in it by name.
extern "C" wallcycle::WallpaperBackend* wallcycle_make_lxde_backend();
extern "C" wallcycle::WallpaperBackend* wallcycle_make_sway_backend();
extern "C" wallcycle::WallpaperBackend* wallcycle_make_x11_backend();

namespace wallcycle {
namespace {

template <std::size_t size> struct Literal {
    constexpr Literal(const char (&text)[size]) { std::copy_n(text, size, this->text); }
    char text[size];
};

// The modules: GSettings through GIO; the D-Bus desktops and LXQt through Qt. GLib and Qt are
// loaded only for the desktops that need them.
constexpr Literal gsettings_module = "wallcycle-gsettings.so";
constexpr Literal qt_desktops_module = "wallcycle-desktops.so";

template <WallpaperBackend* (*make)()> Result<WallpaperBackend*> in_program() {
    return make();
}

template <Literal module, Literal maker> Result<WallpaperBackend*> in_module() {
    Result<void*> found = program_module_function(module.text, maker.text);
    if (!found)
        return fail(found.reason());
    return reinterpret_cast<WallpaperBackend* (*)()>(found.value())();
}

// To add a desktop:
//  1. Write its backend, one file in wallpaper/backends/: a WallpaperBackend (can it run here,
//     apply this picture; desktop_picture.h gives it a file it surely reads), ending with its
//     maker as above.
//  2. Put the file in the program (wallcycle_linux in CMakeLists.txt) when it needs neither GLib
//     nor Qt, and declare its maker above; else in the module of what it needs
//     (wallcycle_gsettings_desktops or wallcycle_bus_desktops).
//  3. Add its row below, before the X11 root: the order is the order of trying when a session
//     names more than one. Say when neither it nor a program it drives uses the session bus.
//  4. Test it against the desktop's real program, as tests/e2e/desktop_shells_test.cpp does.
constexpr BackendRow rows[] = {
    {"gnome", "gnome ubuntu unity budgie budgie-desktop pantheon gnome-flashback gnome-classic pop",
     in_module<gsettings_module, "wallcycle_make_gnome_backend">},
    {"cinnamon", "x-cinnamon cinnamon", in_module<gsettings_module, "wallcycle_make_cinnamon_backend">},
    {"mate", "mate", in_module<gsettings_module, "wallcycle_make_mate_backend">},
    {"xfce", "xfce xubuntu", in_module<qt_desktops_module, "wallcycle_make_xfce_backend">},
    {"kde", "kde plasma plasmawayland", in_module<qt_desktops_module, "wallcycle_make_kde_backend">},
    {"lxqt", "lxqt lubuntu", in_module<qt_desktops_module, "wallcycle_make_lxqt_backend">},
    {"lxde", "lxde", in_program<wallcycle_make_lxde_backend>},
    // swaybg draws on any wlroots compositor.
    {"sway", "sway wlroots hyprland river wayfire labwc", in_program<wallcycle_make_sway_backend>, false},
    // The last resort under any window manager; never named by a session.
    {"x11", "", in_program<wallcycle_make_x11_backend>, false},
};

} // namespace

std::span<const BackendRow> backend_rows() {
    return rows;
}

} // namespace wallcycle
