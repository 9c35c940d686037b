#pragma once
// The desktops reached over D-Bus and GSettings live in a module of their own: GLib and QtDBus are
// loaded only for them. Each of its backend files defines the function that makes its desktop
// (named by bus_desktop_maker in the registry).

inline constexpr const char* bus_desktops_module = "wallcycle-desktops.so";
