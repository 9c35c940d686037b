#include "startup/run_program.h"

#include "settings/settings_file.h"
#include "startup/exit_codes.h"

#include <cstdio>

namespace wallcycle {
namespace {

void say(const std::string& line) {
    if (!line.empty())
        std::fprintf(stderr, "wallcycle: %s\n", line.c_str());
}

} // namespace

int run_program(const std::string& argument, const ProgramParts& parts) {
    StartupPlan plan = Form_Load(LoadSettings(parts.settings_file), argument, parts.number_format);
    say(plan.message);
    switch (plan.next) {
    case StartupPlan::Next::ApplyOnceAndExit: {
        BackendList backends = parts.backends();
        if (parts.before_apply)
            parts.before_apply(backends);
        PickOutcome outcome = apply_random_entry(plan.settings.entries, backends);
        if (!outcome.status) {
            say(outcome.status.reason());
            return exit_code::not_set;
        }
        return exit_code::ok;
    }
    case StartupPlan::Next::ExitWithoutWindow:
        return exit_code::no_interval;
    case StartupPlan::Next::ShowWindow:
        break;
    }
    return parts.open_window(plan);
}

} // namespace wallcycle
