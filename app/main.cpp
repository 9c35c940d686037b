// The program's entry on Linux: start-up runs before any window exists, so "/e" never opens one;
// the window is a module loaded only when it is shown.

#include "app/run_window.h"
#include "platform/error_output.h"
#include "platform/module_loader_linux.h"
#include "platform/number_text.h"
#include "platform/program_facts.h"
#include "platform/server_answers_linux.h"
#include "settings/settings_location.h"
#include "startup/exit_codes.h"
#include "startup/run_program.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backends/x11_connection.h"

#include <cstdlib>
#include <malloc.h>
#include <utility>

using namespace wallcycle;

int main(int argc, char** argv) {
    // Pictures and the files they come from go back to the system as soon as they are freed. By
    // default glibc raises this bound to the size of the first large block freed, and the blocks
    // after it then come from the heap, which keeps them resident until the program ends.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // A session bus that accepts and then says nothing would hold every library that waits on it
    // (Qt's accessibility, QtDBus, GSettings) and every helper started from here without end: all
    // of them go on as without a bus, which fails at once. It is asked once, and only by a run
    // that would use it: the window, or a desktop that talks over the bus.
    bool bus_asked = false;
    auto ask_bus = [&bus_asked] {
        if (std::exchange(bus_asked, true))
            return;
        if (Status bus = session_bus_answers(server_answer_ms); !bus) {
            report_line(bus.reason() + "; going on without it");
            setenv("DBUS_SESSION_BUS_ADDRESS", unanswering_bus_address, 1);
        }
    };
    ProgramParts parts;
    parts.settings_file = settings_path();
    parts.number_format = current_number_format();
    parts.backends = [&] {
        DesktopEnvironment environment = desktop_environment_from_os();
        if (any_uses_session_bus(candidate_backends(environment)))
            ask_bus();
        return backends_for(environment);
    };
    parts.open_window = [&](const StartupPlan& plan, BackendList backends) {
        ask_bus();
        // Qt would wait without end on an X display that accepts and never answers.
        if (std::string display = environment_value("DISPLAY");
            !display.empty() && environment_value("WAYLAND_DISPLAY").empty())
            if (Result<DisplayConnection> x = connect_display(display, server_answer_ms); !x) {
                report_line("the window cannot be opened: " + x.reason());
                return exit_code::no_window;
            }
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
