#pragma once

#include "platform/number_text.h"
#include "startup/startup_plan.h"
#include "wallpaper/apply_wallpaper.h"

#include <string>

namespace wallcycle {

// What start-up hands the window: its plan, the desktops it made, where the settings live, and
// how numbers are written here.
struct WindowStart {
    const StartupPlan& plan;
    BackendList backends;
    std::string settings_file;
    NumberFormat number_format;
};

// Opens the window and runs until it is closed.
int run_window(int argc, char** argv, WindowStart start);

// The window lives in a module of its own; its file and entry.
inline constexpr const char* window_module = "wallcycle-window.so";
inline constexpr const char* window_entry = "wallcycle_run_window";
using RunWindow = int (*)(int argc, char** argv, WindowStart* start);

} // namespace wallcycle
