#include "settings/settings_location.h"

#include "platform/file_io.h"
#include "platform/program_facts.h"

namespace wallcycle {

std::string settings_path_for(const LocationFacts& facts) {
    std::string beside = facts.program_directory + facts.separator + settings_file_name;
    if (!facts.installed || facts.exists_beside_program)
        return beside;
    std::string config = facts.xdg_config_home;
    if (config.empty() || config.front() != '/') // relative values are ignored, as XDG says
        config = facts.home + "/.config";
    return config + "/wallcycle/" + settings_file_name;
}

std::string settings_path() {
    LocationFacts facts;
    facts.program_directory = program_directory();
    facts.separator = path_separator();
#ifdef WALLCYCLE_MODULE_DIR_FROM_BINDIR
    // Installed wherever the install's module folder lies where it does beside the install's bin;
    // a build tree keeps its modules beside the program instead.
    Result<FileKind> modules = file_kind(facts.program_directory + "/" + WALLCYCLE_MODULE_DIR_FROM_BINDIR);
    facts.installed = modules && *modules == FileKind::Folder;
#endif
    facts.exists_beside_program = file_exists(facts.program_directory + facts.separator + settings_file_name);
    facts.xdg_config_home = environment_value("XDG_CONFIG_HOME");
    facts.home = environment_value("HOME");
    return settings_path_for(facts);
}

} // namespace wallcycle
