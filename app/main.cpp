// The program's entry on Linux: start-up runs before any window exists, so "/e" never opens one;
// the window is a module loaded only when it is shown.

#include "app/run_window.h"
#include "platform/error_output.h"
#include "platform/module_loader.h"
#include "platform/number_text.h"
#include "platform/program_facts.h"
#include "settings/settings_location.h"
#include "startup/exit_codes.h"
#include "startup/run_program.h"
#include "wallpaper/backend_loader.h"

using namespace wallcycle;

int main(int argc, char** argv) {
    ProgramParts parts;
    parts.settings_file = settings_path();
    parts.number_format = current_number_format();
    parts.backends = desktop_backends;
    parts.open_window = [&](const StartupPlan& plan, BackendList backends) {
        Result<void*> window = module_function(window_module, window_entry);
        if (!window) {
            report_line("the window cannot be opened: " + window.reason());
            return exit_code::no_window;
        }
        WindowStart start{plan, std::move(backends), parts.settings_file, parts.number_format};
        return reinterpret_cast<RunWindow>(window.value())(argc, argv, &start);
    };
    return run_program(argument_string(argc, argv), parts);
}
