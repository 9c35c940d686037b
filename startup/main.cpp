// The program's entry: start-up runs before any window exists, so "/e" never opens one.

#include "platform/number_text.h"
#include "platform/program_facts.h"
#include "settings/settings_file.h"
#include "settings/settings_location.h"
#include "startup/exit_codes.h"
#include "startup/startup_plan.h"
#include "wallpaper/backend_loader.h"
#include "window/run_window.h"

#include <QCoreApplication>
#include <cstdio>

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
        QCoreApplication application(argc, argv); // for the desktops reached over D-Bus; no GUI
        PickOutcome outcome = apply_random_entry(plan.settings.entries, desktop_backends());
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
    return run_window(argc, argv, plan);
}
