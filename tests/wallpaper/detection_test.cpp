// Which desktops are tried, in which order, for the environments real sessions set.

#include "wallpaper/backend_loader.h"
#include "wallpaper/desktop_detection.h"

#include <gtest/gtest.h>

using namespace wallcycle;
using Names = std::vector<std::string>;

namespace {

TEST(Detection, CandidatesForRealSessions) {
    struct Case {
        const char* name;
        DesktopEnvironment environment;
        Names backends;
    } cases[] = {
        {"GNOME on X11", {"GNOME", "gnome", "", "", ":0", ""}, {"gnome", "x11"}},
        {"GNOME on Wayland", {"GNOME", "gnome", "", "wayland-0", ":0", ""}, {"gnome", "x11"}},
        {"Ubuntu", {"ubuntu:GNOME", "ubuntu", "", "", ":0", ""}, {"gnome", "x11"}},
        {"Budgie", {"Budgie:GNOME", "budgie-desktop", "", "", ":0", ""}, {"gnome", "x11"}},
        {"Pantheon", {"Pantheon", "pantheon", "", "", ":0", ""}, {"gnome", "x11"}},
        {"Cinnamon", {"X-Cinnamon", "cinnamon", "", "", ":0", ""}, {"cinnamon", "x11"}},
        {"MATE", {"MATE", "mate", "", "", ":0", ""}, {"mate", "x11"}},
        {"XFCE", {"XFCE", "xfce", "", "", ":0.0", ""}, {"xfce", "x11"}},
        {"KDE Plasma", {"KDE", "plasma", "", "", ":1", ""}, {"kde", "x11"}},
        {"KDE Plasma on Wayland", {"KDE", "plasmawayland", "", "wayland-0", ":1", ""}, {"kde", "x11"}},
        {"LXQt", {"LXQt", "lxqt", "", "", ":0", ""}, {"lxqt", "x11"}},
        {"LXDE", {"LXDE", "LXDE", "", "", ":0", ""}, {"lxde", "x11"}},
        {"sway", {"sway", "sway", "/run/user/1000/sway-ipc.sock", "wayland-1", "", ""}, {"sway"}},
        {"sway with Xwayland", {"sway", "", "/run/sway.sock", "wayland-1", ":0", ""}, {"sway", "x11"}},
        {"other wlroots compositor", {"Hyprland", "", "", "wayland-1", "", ""}, {"sway"}},
        {"unknown Wayland compositor", {"", "", "", "wayland-0", "", ""}, {"sway"}},
        {"lower case names", {"gnome", "", "", "", ":0", ""}, {"gnome", "x11"}},
        {"session only", {"", "xfce", "", "", ":0", ""}, {"xfce", "x11"}},
        {"desktop and session differ", {"MATE", "xfce", "", "", ":0", ""}, {"mate", "xfce", "x11"}},
        {"unknown desktop with DISPLAY", {"i3", "i3", "", "", ":0", ""}, {"x11"}},
        {"bare window manager", {"", "", "", "", ":0", ""}, {"x11"}},
        {"nothing at all", {"", "", "", "", "", ""}, {}},
        {"forced", {"GNOME", "gnome", "", "", ":0", "X11"}, {"x11"}},
        {"forced unknown", {"GNOME", "", "", "", ":0", "amiga"}, {"amiga"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(candidate_backends(c.environment), c.backends) << c.name;
}

TEST(Detection, EveryKnownNameMakesItsBackend) {
    for (const auto& name : known_backends())
        EXPECT_EQ(make_backend(name)->name(), name);
    auto unknown = make_backend("amiga");
    Status usable = unknown->can_run();
    EXPECT_FALSE(usable.ok());
    EXPECT_NE(usable.reason().find("WALLCYCLE_BACKEND"), std::string::npos) << usable.reason();
    EXPECT_NE(usable.reason().find("gnome"), std::string::npos) << usable.reason();
}

// A backend that can run here only when told; records what it was asked to show.
class ProbeBackend : public WallpaperBackend {
public:
    ProbeBackend(const char* name, bool runs, std::vector<std::string>* log)
        : name_(name), runs_(runs), log_(log) {}
    const char* name() const override { return name_; }
    Status can_run() const override { return runs_ ? Status() : fail(std::string(name_) + " is not here"); }
    Status apply(const std::string& path) override {
        log_->push_back(std::string(name_) + " " + path);
        return {};
    }

private:
    const char* name_;
    bool runs_;
    std::vector<std::string>* log_;
};

// The order of trying is logic of its own; real desktops are tested in the backends' own tests.
TEST(ApplyWallpaper, FirstReachableDesktopWinsAndTheMessageSaysWhatWasTried) {
    std::vector<std::string> log;
    BackendList backends;
    backends.push_back(std::make_unique<ProbeBackend>("gnome", false, &log));
    backends.push_back(std::make_unique<ProbeBackend>("x11", true, &log));
    EXPECT_TRUE(ApplyWallpaper("/a.png", backends).ok());
    EXPECT_EQ(log, Names{"x11 /a.png"});

    BackendList none;
    none.push_back(std::make_unique<ProbeBackend>("gnome", false, &log));
    none.push_back(std::make_unique<ProbeBackend>("kde", false, &log));
    Status applied = ApplyWallpaper("/a.png", none);
    EXPECT_FALSE(applied.ok());
    EXPECT_NE(applied.reason().find("gnome is not here"), std::string::npos) << applied.reason();
    EXPECT_NE(applied.reason().find("kde is not here"), std::string::npos) << applied.reason();
    EXPECT_FALSE(ApplyWallpaper("/a.png", BackendList{}).ok());
}

} // namespace
