#pragma once
// The window on Windows: the same controls, places and commands as the Qt window, in plain Win32.

#include "startup/startup_plan.h"
#include "wallpaper/apply_wallpaper.h"

#include <string>

namespace wallcycle {

// Shows Form1 with what start-up prepared, arms the rotation, and runs until it is closed.
int run_form1_win32(const StartupPlan& plan, BackendList backends, std::string settings_file,
                    NumberFormat number_format);

} // namespace wallcycle
