// The entry of the module holding the window: only configure mode and "/s" load it.

#include "app/run_window.h"

extern "C" int wallcycle_run_window(int argc, char** argv, wallcycle::WindowStart* start) {
    return wallcycle::run_window(argc, argv, std::move(*start));
}
