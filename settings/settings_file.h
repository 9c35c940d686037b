#pragma once

#include "platform/result.h"
#include "settings/records_as_read.h"
#include "settings/settings.h"

#include <string>

namespace wallcycle {

enum class LoadProblem {
    None,
    Missing,    // nothing at the path: the first run
    Unreadable, // something is there but could not be read: it must not be saved over unasked
    Empty,      // a file with no records
};

struct LoadedSettings {
    Settings settings; // defaults where nothing could be read
    LoadProblem problem = LoadProblem::None;
    std::string reason; // for the user, when problem != None
    RecordsAsRead as_read;
};

// Reads the settings file: the first record is the interval, each further one an entry.
LoadedSettings LoadSettings(const std::string& path);

// Writes the settings file whole or not at all; the old file stays when this fails. Records
// given in as_read (from the load) are written back as the bytes they were read from.
Status SaveSettings(const std::string& path, const Settings& settings, const RecordsAsRead& as_read = {});

} // namespace wallcycle
