#pragma once
// What the OS tells the program about itself.

#include <string>

namespace wallcycle {

// The directory that holds the running executable, without a trailing separator
// (empty when the OS cannot tell).
std::string program_directory();

// The platform's path separator, used to join the settings file's location.
const char* path_separator();

// The argument string: what follows the program's name on its command line, as one text.
std::string argument_string(int argc, const char* const* argv);

// An environment variable, or empty text when it is unset.
std::string environment_value(const char* name);

// A folder of the XDG base directories ("XDG_DATA_HOME"), or $HOME + fallback ("/.local/share")
// when it is unset or relative (relative values are ignored, as XDG says).
std::string xdg_folder(const char* variable, const char* fallback);

} // namespace wallcycle
