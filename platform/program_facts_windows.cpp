#include "platform/program_facts.h"

#include "platform/wide_text_windows.h"

#include <cstdlib>
#include <windows.h>

namespace wallcycle {

std::string program_directory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // the path did not fit: try again with twice the room
    }
    auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string() : narrow(path.substr(0, slash));
}

const char* path_separator() {
    return "\\";
}

// Windows hands over the whole command line: the argument string is what follows the program's
// name, after the one blank that separates them, exactly as typed (further blanks are kept).
std::string argument_string(int, const char* const*) {
    std::wstring_view line = GetCommandLineW();
    std::size_t i = 0;
    if (!line.empty() && line[0] == L'"') {
        auto close = line.find(L'"', 1);
        i = close == std::wstring_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
            ++i;
    }
    if (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
        ++i;
    return narrow(line.substr(i));
}

std::string environment_value(const char* name) {
    std::wstring wide_name = widen(name);
    DWORD length = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
    if (length == 0)
        return {};
    std::wstring value(length, L'\0');
    length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), length);
    value.resize(length);
    return narrow(value);
}

} // namespace wallcycle
