#pragma once
// Every desktop wallcycle can set the wallpaper on: one row each. A desktop is one file (its
// backend) and one row here.

#include "wallpaper/backend.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace wallcycle {

using MakeBackend = std::unique_ptr<WallpaperBackend> (*)();

struct BackendRow {
    std::string_view name; // in messages, and for WALLCYCLE_BACKEND
    // The names of XDG_CURRENT_DESKTOP and DESKTOP_SESSION that select it: lower case, blank-separated.
    std::string_view session_names;
    // Made in the program; or, when null, by the function module_maker(name) of `module`: GLib
    // and Qt are loaded only for the desktops that need them.
    MakeBackend make;
    const char* module = nullptr;
};

// The modules of desktops: GSettings through GIO; the D-Bus desktops and LXQt through Qt.
inline constexpr const char* gsettings_module = "wallcycle-gsettings.so";
inline constexpr const char* qt_desktops_module = "wallcycle-desktops.so";

std::span<const BackendRow> backend_rows();

// The module's function that makes the desktop of that name.
inline std::string module_maker(std::string_view name) {
    return "wallcycle_make_" + std::string(name) + "_backend";
}

} // namespace wallcycle
