#pragma once
// Whether a desktop that draws the wallpaper in a window of its own is up on the X display.

#include <string_view>

namespace wallcycle {

// Whether a program's desktop window (WM_CLASS class window_class, of the desktop window type)
// is on $DISPLAY: a desktop such as pcmanfm's is up and draws the wallpaper.
bool desktop_window_shown(std::string_view window_class);

} // namespace wallcycle
