#include "platform/program_facts.h"

#include <cstdlib>
#include <limits.h>
#include <unistd.h>

namespace wallcycle {

std::string program_directory() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer)
        return {};
    std::string path(buffer, static_cast<size_t>(length));
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash);
}

const char* path_separator() {
    return "/";
}

// Linux hands over separate arguments: they are joined with single blanks, nothing stripped.
std::string argument_string(int argc, const char* const* argv) {
    std::string joined;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            joined += ' ';
        joined += argv[i];
    }
    return joined;
}

std::string environment_value(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : std::string();
}

std::string xdg_folder(const char* variable, const char* fallback) {
    std::string folder = environment_value(variable);
    if (folder.empty() || folder.front() != '/')
        folder = environment_value("HOME") + fallback;
    return folder;
}

} // namespace wallcycle
