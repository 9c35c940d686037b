// The program's entry on Windows.

#include "platform/number_text.h"
#include "platform/program_facts.h"
#include "platform/system_function_windows.h"
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

// Each monitor's own scale where the system offers it (Windows 10 1703 and later), else the
// system's scale (Vista and later): the layout is given in pixels at 96 dpi and scaled from there.
void follow_the_monitors_scale() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto set_context = user32_function<SetContext>("SetProcessDpiAwarenessContext");
        set_context != nullptr && set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
        return;
    using SetAware = BOOL(WINAPI*)();
    if (auto set_aware = user32_function<SetAware>("SetProcessDPIAware"))
        set_aware();
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    follow_the_monitors_scale();
    ProgramParts parts;
    parts.settings_file = settings_path();
    parts.number_format = current_number_format();
    parts.backends = windows_desktop;
    parts.open_window = [&](const StartupPlan& plan, BackendList backends) {
        return run_form1_win32(plan, std::move(backends), parts.settings_file, parts.number_format);
    };
    return run_program(argument_string(0, nullptr), parts);
}
