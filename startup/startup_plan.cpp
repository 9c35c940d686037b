#include "startup/startup_plan.h"

#include "platform/shown_path.h"
#include "startup/run_mode.h"
#include "wallpaper/rotation.h"

namespace wallcycle {

StartupPlan Form_Load(LoadedSettings loaded, std::string_view argument, const NumberFormat& format) {
    StartupPlan plan;
    plan.settings = std::move(loaded.settings);
    plan.as_read = std::move(loaded.as_read);
    RunMode mode = run_mode_for(argument);
    if (loaded.problem == LoadProblem::Unreadable)
        plan.unreadable_settings = loaded.reason;
    if (loaded.problem != LoadProblem::None) {
        // The window opens with what was read; a missing file is the normal first run and is
        // only worth a word when a switch asked for the saved settings.
        if (loaded.problem != LoadProblem::Missing || mode != RunMode::Configure)
            plan.message = loaded.reason + "; opening the window instead";
        return plan;
    }
    if (mode == RunMode::ApplyOnce) {
        plan.next = StartupPlan::Next::ApplyOnceAndExit;
        return plan;
    }
    if (mode == RunMode::Rotate) {
        if (plan.settings.interval_text.empty()) {
            plan.next = StartupPlan::Next::ExitWithoutWindow;
            plan.message = "the settings file holds no interval; nothing to rotate";
            return plan;
        }
        plan.session_rotation = true;
        Result<int> period = rotation_interval_ms(plan.settings.interval_text, format);
        if (!period) {
            plan.message = "rotation not started: " + period.reason();
            return plan;
        }
        plan.rotation_ms = period.value();
        if (period.value() == 0 && parse_number(plan.settings.interval_text, format).value_or(0) != 0)
            plan.message = "rotation not started: the interval \"" + shown_path(plan.settings.interval_text) +
                           "\" is under half a millisecond, which the timer takes as 0 (no rotation)";
    }
    if (plan.settings.interval_text.empty())
        plan.settings.interval_text = "0";
    return plan;
}

} // namespace wallcycle
