#pragma once
// The program from its argument string to its exit status, the same on every system; each
// system's entry point supplies its desktops and its window.

#include "startup/startup_plan.h"
#include "wallpaper/apply_wallpaper.h"

#include <functional>
#include <string>

namespace wallcycle {

struct ProgramParts {
    std::string settings_file;
    NumberFormat number_format;
    std::function<BackendList()> backends;                // the desktops to try, in order
    std::function<void(const BackendList&)> before_apply; // set-up some desktops need
    std::function<int(const StartupPlan&)> open_window;   // configure mode and "/s"
};

int run_program(const std::string& argument, const ProgramParts& parts);

} // namespace wallcycle
