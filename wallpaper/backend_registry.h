#pragma once
// Every desktop wallcycle can set the wallpaper on, one row each, in backend_registry.cpp.

#include "platform/result.h"
#include "wallpaper/backend.h"

#include <span>
#include <string_view>

namespace wallcycle {

// Makes a row's desktop, or says why it cannot (its module is missing or broken).
using MakeBackend = Result<WallpaperBackend*> (*)();

struct BackendRow {
    std::string_view name; // in messages, and for WALLCYCLE_BACKEND
    // The names of XDG_CURRENT_DESKTOP and DESKTOP_SESSION that select it: lower case, blank-separated.
    std::string_view session_names;
    MakeBackend make;
    // It, or a program it drives, talks over the session bus: a run for it asks first whether the
    // bus answers.
    bool uses_session_bus = true;
};

std::span<const BackendRow> backend_rows();

} // namespace wallcycle
