#pragma once
// The desktops that need Qt or GLib (those reached over D-Bus and GSettings, and LXQt) live in a
// module of their own: those libraries are loaded only for them. Each of its backend files defines the function that makes its desktop
// (named by bus_desktop_maker in the registry).

inline constexpr const char* bus_desktops_module = "wallcycle-desktops.so";
