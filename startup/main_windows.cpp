// The program's entry on Windows.

#include "platform/number_text.h"
#include "platform/program_facts.h"
#include "settings/settings_location.h"
#include "startup/run_program.h"
#include "wallpaper/backends/windows_desktop.h"
#include "window/form1_win32.h"

#include <windows.h>

using namespace wallcycle;

namespace {

BackendList windows_desktop() {
    BackendList backends;
    backends.push_back(std::make_unique<WindowsDesktopBackend>());
    return backends;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Each monitor's own scale: the layout is given in pixels at 96 dpi and scaled from there.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    ProgramParts parts;
    parts.settings_file = settings_path();
    parts.number_format = current_number_format();
    parts.backends = windows_desktop;
    parts.open_window = [&](const StartupPlan& plan) {
        return run_form1_win32(plan, windows_desktop(), parts.settings_file, parts.number_format);
    };
    return run_program(argument_string(0, nullptr), parts);
}
