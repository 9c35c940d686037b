#pragma once

#include "platform/result.h"
#include "settings/settings.h"

#include <string>

namespace wallcycle {

enum class LoadProblem { None, Missing, Unreadable, Empty };

struct LoadedSettings {
    Settings settings; // defaults where nothing could be read
    LoadProblem problem = LoadProblem::None;
    std::string reason; // for the user, when problem != None
};

// Reads the settings file: the first record is the interval, each further one an entry.
LoadedSettings LoadSettings(const std::string& path);

// Writes the settings file whole or not at all; the old file stays when this fails.
Status SaveSettings(const std::string& path, const Settings& settings);

} // namespace wallcycle
