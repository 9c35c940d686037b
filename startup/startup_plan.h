#pragma once

#include "platform/number_text.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

#include <string>
#include <string_view>

namespace wallcycle {

// What start-up decided, before any window exists.
struct StartupPlan {
    enum class Next {
        ShowWindow,       // configure mode, or "/s" (rotating when rotation_ms > 0)
        ApplyOnceAndExit, // "/e" with the settings loaded
        ExitWithoutWindow // "/s" with an empty interval
    };
    Next next = Next::ShowWindow;
    Settings settings;     // what the window shows
    RecordsAsRead as_read; // records a save writes back as they were read
    // Why the settings file that is there could not be read; empty when it was read or is
    // missing. The window says so, and a save asks before replacing that file.
    std::string unreadable_settings;
    int rotation_ms = 0; // > 0: the rotation timer's period
    // "/s": the window is the session's one rotation, which takes "next", "pause" and "resume"
    // from outside (idle when rotation_ms is 0).
    bool session_rotation = false;
    std::string message; // a line for stderr, empty when all went as asked
};

// The start-up sequence: the settings as loaded, then the run mode from the argument string.
// A settings file that could not be loaded means configure mode whatever the argument says.
StartupPlan Form_Load(LoadedSettings loaded, std::string_view argument, const NumberFormat& format);

} // namespace wallcycle
