// The program's entry: start-up runs before any window exists, so "/e" never opens one.

#include "platform/module_loader.h"
#include "platform/number_text.h"
#include "platform/program_facts.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "startup/exit_codes.h"
#include "startup/startup_plan.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backends/desktop_module.h"
#include "window/run_window.h"

#include <QCoreApplication>
#include <cstdio>
#include <optional>

using namespace wallcycle;

namespace {

void say(const std::string& line) {
    if (!line.empty())
        std::fprintf(stderr, "wallcycle: %s\n", line.c_str());
}

} // namespace

int main(int argc, char** argv) {
    std::string argument = argument_string(argc, argv);
    StartupPlan plan = Form_Load(LoadSettings(settings_path()), argument, current_number_format());
    say(plan.message);
    switch (plan.next) {
    case StartupPlan::Next::ApplyOnceAndExit: {
        BackendList backends = desktop_backends();
        // The desktops reached over D-Bus need Qt's application object (not a GUI one); a bare
        // X server does not, and is spared the set-up.
        std::optional<QCoreApplication> application;
        for (const auto& backend : backends)
            if (is_bus_desktop(backend->name()) && !application)
                application.emplace(argc, argv);
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
    Result<void*> window = module_function(window_module, window_entry);
    if (!window) {
        say("the window cannot be opened: " + window.reason());
        return exit_code::no_window;
    }
    return reinterpret_cast<RunWindow>(window.value())(argc, argv, &plan);
}
