#pragma once
// Facts about the X display that desktops keep per monitor or per workspace.

#include "pictures/picture.h"

#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace wallcycle {

// RandR names of the connected outputs ("HDMI-1", "eDP-1"), empty without an X display.
std::vector<std::string> connected_output_names();

// The number of workspaces the window manager announces (_NET_NUMBER_OF_DESKTOPS), 0 if none.
int workspace_count();

// Each monitor's rectangle from RandR 1.5, or the whole screen where RandR cannot tell.
std::vector<Rect> monitor_rects(xcb_connection_t* c, const xcb_screen_t* screen);

// The size that covers every monitor's own cover: decoding larger would be wasted.
Size largest_monitor(const std::vector<Rect>& monitors);

// The same for $DISPLAY; invalid without an X display.
Size largest_monitor_size();

} // namespace wallcycle
