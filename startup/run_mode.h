#pragma once

#include <string_view>

namespace wallcycle {

enum class RunMode {
    Configure, // the window, nothing changes until the user asks
    ApplyOnce, // "/e": one random wallpaper, then exit without a window
    Rotate,    // "/s": the window, and a random wallpaper at every interval
};

// The argument string is compared whole and case-sensitively: "/e", "/s", or anything else.
RunMode run_mode_for(std::string_view argument);

} // namespace wallcycle
