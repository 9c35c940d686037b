#pragma once
// Facts about the X display that desktops keep per monitor or per workspace.

#include <string>
#include <vector>

namespace wallcycle {

// RandR names of the connected outputs ("HDMI-1", "eDP-1"), empty without an X display.
std::vector<std::string> connected_output_names();

// The number of workspaces the window manager announces (_NET_NUMBER_OF_DESKTOPS), 0 if none.
int workspace_count();

} // namespace wallcycle
