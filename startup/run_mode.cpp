#include "startup/run_mode.h"

namespace wallcycle {

RunMode run_mode_for(std::string_view argument) {
    if (argument == "/e")
        return RunMode::ApplyOnce;
    if (argument == "/s")
        return RunMode::Rotate;
    return RunMode::Configure;
}

} // namespace wallcycle
