#pragma once

#include <string>
#include <vector>

namespace wallcycle {

// Everything the settings file holds: the interval in seconds as text, and the image list.
struct Settings {
    std::string interval_text = "0";
    std::vector<std::string> entries;

    bool operator==(const Settings&) const = default;
};

} // namespace wallcycle
