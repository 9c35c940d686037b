#include "wallpaper/desktop_detection.h"

#include "platform/program_facts.h"

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

// A desktop's name as sessions spell it, and the backend that sets its wallpaper.
struct Alias {
    std::string_view name;
    std::string_view backend;
};

constexpr Alias aliases[] = {
    {"gnome", "gnome"},
    {"ubuntu", "gnome"},
    {"unity", "gnome"},
    {"budgie", "gnome"},
    {"budgie-desktop", "gnome"},
    {"pantheon", "gnome"},
    {"gnome-flashback", "gnome"},
    {"gnome-classic", "gnome"},
    {"pop", "gnome"},
    {"x-cinnamon", "cinnamon"},
    {"cinnamon", "cinnamon"},
    {"mate", "mate"},
    {"xfce", "xfce"},
    {"xubuntu", "xfce"},
    {"kde", "kde"},
    {"plasma", "kde"},
    {"plasmawayland", "kde"},
    {"lxqt", "lxqt"},
    {"lubuntu", "lxqt"},
    {"lxde", "lxde"},
    {"sway", "sway"},
    {"wlroots", "sway"},
    {"hyprland", "sway"},
    {"river", "sway"},
    {"wayfire", "sway"},
    {"labwc", "sway"},
};

void add(std::vector<std::string>& names, std::string_view name) {
    if (std::find(names.begin(), names.end(), name) == names.end())
        names.emplace_back(name);
}

void add_desktops_named_in(std::vector<std::string>& names, std::string_view list) {
    while (!list.empty()) {
        auto colon = list.find(':');
        std::string token = lower(list.substr(0, colon));
        for (const Alias& alias : aliases)
            if (token == alias.name)
                add(names, alias.backend);
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
            environment_value("WALLCYCLE_BACKEND")};
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
    if (!environment.display.empty())
        add(names, "x11");
    return names;
}

const std::vector<std::string>& known_backends() {
    static const std::vector<std::string> names{"gnome", "cinnamon", "mate", "xfce", "kde",
                                                "lxqt",  "lxde",     "sway", "x11"};
    return names;
}

} // namespace wallcycle
