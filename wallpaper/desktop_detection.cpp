#include "wallpaper/desktop_detection.h"

#include "platform/program_facts.h"
#include "wallpaper/backend_registry.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace wallcycle {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

bool names_session(std::string_view session_names, std::string_view token) {
    while (!session_names.empty()) {
        auto blank = session_names.find(' ');
        if (session_names.substr(0, blank) == token)
            return true;
        if (blank == std::string_view::npos)
            break;
        session_names.remove_prefix(blank + 1);
    }
    return false;
}

void add(std::vector<std::string>& names, std::string_view name) {
    if (std::find(names.begin(), names.end(), name) == names.end())
        names.emplace_back(name);
}

void add_desktops_named_in(std::vector<std::string>& names, std::string_view list) {
    while (!list.empty()) {
        auto colon = list.find(':');
        std::string token = lower(list.substr(0, colon));
        for (const BackendRow& row : backend_rows())
            if (names_session(row.session_names, token))
                add(names, row.name);
        if (colon == std::string_view::npos)
            break;
        list.remove_prefix(colon + 1);
    }
}

} // namespace

DesktopEnvironment desktop_environment_from_os() {
    return {environment_value("XDG_CURRENT_DESKTOP"),
            environment_value("DESKTOP_SESSION"),
            environment_value("SWAYSOCK"),
            environment_value("WAYLAND_DISPLAY"),
            environment_value("DISPLAY"),
            environment_value("WALLCYCLE_BACKEND"),
            environment_value("XDG_SESSION_TYPE")};
}

bool wayland_session(const DesktopEnvironment& environment) {
    return !environment.wayland_display.empty() || lower(environment.session_type) == "wayland";
}

std::vector<std::string> candidate_backends(const DesktopEnvironment& environment) {
    if (!environment.forced.empty())
        return {lower(environment.forced)};
    std::vector<std::string> names;
    add_desktops_named_in(names, environment.current_desktop);
    add_desktops_named_in(names, environment.desktop_session);
    // swaybg draws on any wlroots compositor, but not on a desktop that was named and paints its own.
    if (!environment.swaysock.empty() || (names.empty() && !environment.wayland_display.empty()))
        add(names, "sway");
    if (!environment.display.empty() && !wayland_session(environment))
        add(names, "x11");
    return names;
}

} // namespace wallcycle
