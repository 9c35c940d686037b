#pragma once
// The desktops reached over D-Bus and GSettings live in a module (GLib and QtDBus are loaded only
// for them); these are its file and its one entry.

#include "wallpaper/backend.h"

namespace wallcycle {

inline constexpr const char* bus_desktops_module = "wallcycle-desktops.so";
inline constexpr const char* bus_desktops_entry = "wallcycle_make_bus_desktop";
using MakeBusDesktop = WallpaperBackend* (*)(const char* name);

bool is_bus_desktop(const std::string& name);

} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_bus_desktop(const char* name);
