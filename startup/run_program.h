#pragma once
// The program from its argument string to its exit status, the same on every system; each
// system's entry point supplies its desktops and its window.

#include "startup/startup_plan.h"
#include "wallpaper/pick_and_apply.h"

#include <functional>
#include <string>

namespace wallcycle {

struct ProgramParts {
    std::string settings_file;
    NumberFormat number_format;
    std::function<BackendList()> backends; // the desktops to try, in order
    // Configure mode and "/s": the window, with the desktops already made.
    std::function<int(const StartupPlan&, BackendList)> open_window;
};

int run_program(const std::string& argument, const ProgramParts& parts);

} // namespace wallcycle
