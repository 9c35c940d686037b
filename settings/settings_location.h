#pragma once

#include <string>

namespace wallcycle {

inline constexpr const char* settings_file_name = "k_save.dat";

// What decides where the settings file lives.
struct LocationFacts {
    std::string program_directory;
    bool installed = false; // the program lies in an install's layout (its module folder beside its bin)
    bool exists_beside_program = false;
    std::string xdg_config_home;
    std::string home;
    std::string separator = "/";
};

// Beside the program; but an installed copy (under any prefix, with no settings file beside it)
// keeps each user's settings in $XDG_CONFIG_HOME/wallcycle/.
std::string settings_path_for(const LocationFacts& facts);

// The same, from the running program and its environment. Looked up anew on every call.
std::string settings_path();

} // namespace wallcycle
