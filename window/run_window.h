#pragma once

#include "startup/startup_plan.h"

namespace wallcycle {

// Opens the window with what start-up prepared and runs until it is closed.
int run_window(int argc, char** argv, const StartupPlan& plan);

} // namespace wallcycle
