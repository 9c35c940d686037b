#pragma once
// Driving windows on a test's X server as a user would, with xdotool.

#include <string>

namespace wallcycle::test {

// Runs "xdotool <command>" (the command as a shell reads it) on the display; what it printed.
std::string xdotool(const std::string& display, const std::string& command);

struct ShownWindow {
    std::string id; // empty when no such window was found
    int x = 0, y = 0, width = 0, height = 0;
};

// The first visible window whose name matches the pattern, once there is one, and where it is.
ShownWindow shown_window(const std::string& display, const std::string& name_pattern);

} // namespace wallcycle::test
