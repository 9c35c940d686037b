#include "tests/support/xdotool.h"

#include "tests/support/process.h"

#include <cstdlib>
#include <sstream>

namespace wallcycle::test {

std::string xdotool(const std::string& display, const std::string& command) {
    return run("/bin/sh", {"-c", "xdotool " + command}, {{"DISPLAY", display}}).out;
}

ShownWindow shown_window(const std::string& display, const std::string& name_pattern) {
    ShownWindow window;
    std::string ids = xdotool(display, "search --sync --onlyvisible --name '" + name_pattern + "'");
    window.id = ids.substr(0, ids.find('\n'));
    if (window.id.empty())
        return window;
    std::istringstream shell(xdotool(display, "getwindowgeometry --shell " + window.id));
    for (std::string line; std::getline(shell, line);) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X")
            window.x = value;
        else if (key == "Y")
            window.y = value;
        else if (key == "WIDTH")
            window.width = value;
        else if (key == "HEIGHT")
            window.height = value;
    }
    return window;
}

} // namespace wallcycle::test
