// Which desktops are tried, in which order, for the environments real sessions set.

#include "tests/support/probe_backend.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backend_registry.h"
#include "wallpaper/desktop_detection.h"

#include <gtest/gtest.h>

using namespace wallcycle;
using wallcycle::test::ProbeBackend;
using Names = std::vector<std::string>;

namespace {

TEST(Detection, CandidatesForRealSessions) {
    struct Case {
        const char* name;
        DesktopEnvironment environment;
        Names backends;
    } cases[] = {
        {"GNOME on X11", {"GNOME", "gnome", "", "", ":0", ""}, {"gnome", "x11"}},
        {"GNOME on Wayland (Xwayland's root is never shown)",
         {"GNOME", "gnome", "", "wayland-0", ":0", ""},
         {"gnome"}},
        {"a Wayland session told by its type", {"GNOME", "gnome", "", "", ":0", "", "wayland"}, {"gnome"}},
        {"Ubuntu", {"ubuntu:GNOME", "ubuntu", "", "", ":0", ""}, {"gnome", "x11"}},
        {"Budgie", {"Budgie:GNOME", "budgie-desktop", "", "", ":0", ""}, {"gnome", "x11"}},
        {"Pantheon", {"Pantheon", "pantheon", "", "", ":0", ""}, {"gnome", "x11"}},
        {"Cinnamon", {"X-Cinnamon", "cinnamon", "", "", ":0", ""}, {"cinnamon", "x11"}},
        {"MATE", {"MATE", "mate", "", "", ":0", ""}, {"mate", "x11"}},
        {"XFCE", {"XFCE", "xfce", "", "", ":0.0", ""}, {"xfce", "x11"}},
        {"KDE Plasma", {"KDE", "plasma", "", "", ":1", ""}, {"kde", "x11"}},
        {"KDE Plasma on Wayland", {"KDE", "plasmawayland", "", "wayland-0", ":1", ""}, {"kde"}},
        {"LXQt", {"LXQt", "lxqt", "", "", ":0", ""}, {"lxqt", "x11"}},
        {"LXDE", {"LXDE", "LXDE", "", "", ":0", ""}, {"lxde", "x11"}},
        {"sway", {"sway", "sway", "/run/user/1000/sway-ipc.sock", "wayland-1", "", ""}, {"sway"}},
        {"sway with Xwayland", {"sway", "", "/run/sway.sock", "wayland-1", ":0", ""}, {"sway"}},
        {"other wlroots compositor", {"Hyprland", "", "", "wayland-1", "", ""}, {"sway"}},
        {"unknown Wayland compositor", {"", "", "", "wayland-0", "", ""}, {"sway"}},
        {"lower case names", {"gnome", "", "", "", ":0", ""}, {"gnome", "x11"}},
        {"session only", {"", "xfce", "", "", ":0", ""}, {"xfce", "x11"}},
        {"desktop and session differ", {"MATE", "xfce", "", "", ":0", ""}, {"mate", "xfce", "x11"}},
        {"unknown desktop with DISPLAY", {"i3", "i3", "", "", ":0", ""}, {"x11"}},
        {"Deepin (its own desktop, not GNOME's settings)", {"Deepin", "deepin", "", "", ":0", ""}, {"x11"}},
        {"bare window manager", {"", "", "", "", ":0", ""}, {"x11"}},
        {"nothing at all", {"", "", "", "", "", ""}, {}},
        {"forced", {"GNOME", "gnome", "", "", ":0", "X11"}, {"x11"}},
        {"forced in a Wayland session", {"GNOME", "gnome", "", "wayland-0", ":0", "x11"}, {"x11"}},
        {"forced unknown", {"GNOME", "", "", "", ":0", "amiga"}, {"amiga"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(candidate_backends(c.environment), c.backends) << c.name;
}

TEST(Detection, EveryKnownNameMakesItsBackend) {
    for (const BackendRow& row : backend_rows())
        EXPECT_EQ(make_backend(std::string(row.name))->name(),
                  row.name); // the bus desktops from their module
    auto unknown = make_backend("amiga");
    Status usable = unknown->can_run();
    EXPECT_FALSE(usable.ok());
    EXPECT_NE(usable.reason().find("WALLCYCLE_BACKEND"), std::string::npos) << usable.reason();
    EXPECT_NE(usable.reason().find("gnome"), std::string::npos) << usable.reason();
}

// The first desktop that is there sets the picture (the order of trying is logic of its own; real
// desktops are tested in the backends' own tests). One that is still coming up is waited for until
// the deadline, and only then passed over; passing over a desktop is never silent, and when none is
// there the failure says what was tried.
TEST(ApplyThroughBackends, WaitsForADesktopComingUpAndSaysWhenItFallsBack) {
    using namespace std::chrono;
    struct Case {
        const char* name;
        int up_after_asks;   // -1: never comes (and never said it might)
        milliseconds wait;   // how long it may be waited for
        const char* applied; // which backend set it (nullptr: none is there, x11 neither)
        const char* says;    // on stderr ("" = nothing), or in the failure
    } cases[] = {
        {"up at once", 0, 0ms, "kde /a.png", ""},
        {"comes up while waited for", 3, 5000ms, "kde /a.png", ""},
        {"comes up, but nobody waits", 3, 0ms, "x11 /a.png",
         "set through x11 instead (kde: kde is not here)"},
        {"never comes in time", 1000000, 600ms, "x11 /a.png", "waited"},
        {"not installed: no wait at all", -1, 5000ms, "x11 /a.png", "set through x11 instead"},
        {"none there", -1, 0ms, nullptr, "kde: kde is not here; x11: x11 is not here"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> log;
        BackendList backends;
        backends.push_back(std::make_unique<ProbeBackend>("kde", false, &log, c.up_after_asks));
        backends.push_back(std::make_unique<ProbeBackend>("x11", c.applied != nullptr, &log));
        auto started = steady_clock::now();
        ApplyAttempt attempt = apply_through_backends("/a.png", backends, started + c.wait);
        auto took = steady_clock::now() - started;
        const Status& applied = attempt.status;
        std::string said = attempt.fallback + applied.reason();
        EXPECT_EQ(applied.ok(), c.applied != nullptr) << c.name;
        EXPECT_EQ(log, c.applied ? Names{c.applied} : Names{}) << c.name;
        EXPECT_TRUE(*c.says == '\0' ? said.empty() : said.find(c.says) != std::string::npos)
            << c.name << ": " << said;
        if (c.up_after_asks < 0) {
            EXPECT_LT(took, 1s) << c.name;
        }
    }
}

} // namespace
