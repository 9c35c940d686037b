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
    // Made in the program; or, when null, by the desktops' module (GIO and Qt are loaded only for
    // those), whose function bus_desktop_maker(name) makes it.
    MakeBackend make;
};

std::span<const BackendRow> backend_rows();

// The module's function that makes the bus desktop of that name.
inline std::string bus_desktop_maker(std::string_view name) {
    return "wallcycle_make_" + std::string(name) + "_backend";
}

} // namespace wallcycle
