#pragma once

namespace wallcycle::exit_code {

inline constexpr int ok = 0;                // the wallpaper was set ("/e"), or the window was closed
inline constexpr int wallpaper_not_set = 1; // "/e": the wallpaper could not be set; stderr says why
inline constexpr int no_interval = 2;       // "/s": the settings hold no interval, nothing to rotate
inline constexpr int no_window = 3;         // the window cannot open: no display, a silent one, or no module

} // namespace wallcycle::exit_code
