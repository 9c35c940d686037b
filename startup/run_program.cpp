#include "startup/run_program.h"

#include "platform/error_output.h"
#include "settings/settings_file.h"
#include "startup/exit_codes.h"

namespace wallcycle {

int run_program(const std::string& argument, const ProgramParts& parts) {
    auto started = std::chrono::steady_clock::now();
    StartupPlan plan = Form_Load(LoadSettings(parts.settings_file), argument, parts.number_format);
    report_line(plan.message);
    switch (plan.next) {
    case StartupPlan::Next::ApplyOnceAndExit: {
        BackendList backends = parts.backends();
        // Run at login, the desktop may not be up yet: it is given until its wait is over.
        PickOutcome outcome =
            apply_random_entry(plan.settings.entries, backends, started + login_desktop_wait);
        for (const std::string& note : outcome.notes)
            report_line(note);
        if (!outcome.status) {
            report_line(outcome.status.reason());
            return exit_code::wallpaper_not_set;
        }
        return exit_code::ok;
    }
    case StartupPlan::Next::ExitWithoutWindow:
        return exit_code::no_interval;
    case StartupPlan::Next::ShowWindow:
        break;
    }
    return parts.open_window(plan, parts.backends());
}

} // namespace wallcycle
