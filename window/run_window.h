#pragma once

#include "startup/startup_plan.h"

namespace wallcycle {

// Opens the window with what start-up prepared and runs until it is closed.
int run_window(int argc, char** argv, const StartupPlan& plan);

// The window lives in a module of its own; its file and entry.
inline constexpr const char* window_module = "wallcycle-window.so";
inline constexpr const char* window_entry = "wallcycle_run_window";
using RunWindow = int (*)(int argc, char** argv, const StartupPlan* plan);

} // namespace wallcycle
