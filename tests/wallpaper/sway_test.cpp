// wlroots compositors: the real sway, headless, read back with grim. (LXQt and LXDE, the other
// desktops driven through their own programs, are tested on their real shells with the others.)

#include "tests/support/images.h"
#include "tests/support/files.h"
#include "tests/support/sway_session.h"
#include "wallpaper/backend_loader.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;

bool shows_within(const SwaySession& sway, std::uint32_t colour, int milliseconds) {
    return wait_for([&] { return colours_near(sway.pixel(400, 300), colour); }, milliseconds, 50);
}

// sway expands the path it is given as a shell would: no name may be expanded or run, and every
// name that is a file is shown.
TEST(Sway, SwayShowsEveryPictureItIsAskedForWhateverItsName) {
    SwaySession sway(true);
    TempDir dir;
    // sway may run as another user (where user namespaces are refused): it reads the pictures itself.
    std::filesystem::create_directories(dir.file("data/wallcycle"));
    chmod(dir.path().c_str(), 0755);
    ScopedEnvironment env{{"SWAYSOCK", sway.swaysock()},
                          {"WAYLAND_DISPLAY", sway.wayland_display()},
                          {"XDG_RUNTIME_DIR", sway.runtime_dir()},
                          {"XDG_DATA_HOME", dir.file("data")}};
    const char* names[] = {"first picture.png",
                           "say \"cheese\".png",
                           "$(cd;id>INJECTED).png",
                           "`id>INJECTED`.png",
                           "$HOME.png",
                           "*.png",
                           "a;b,c.png",
                           "it's (1) {x} & y|z.png",
                           "line\nbreak.png",
                           "~tilde.png",
                           "back\\slash.png",
                           "plain.png"};
    auto backend = make_backend("sway");
    ASSERT_TRUE(backend->can_run().ok()) << backend->can_run().reason();
    std::uint32_t colour = red;
    for (const char* name : names) {
        colour = colour == red ? blue : red;
        write_solid_image(dir.file(name), colour);
        Status applied = backend->apply(dir.file(name));
        ASSERT_TRUE(applied.ok()) << name << ": " << applied.reason();
        EXPECT_TRUE(shows_within(sway, colour, 3000))
            << name << std::hex << " shows " << sway.pixel(400, 300);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("INJECTED")));
    EXPECT_FALSE(std::filesystem::exists(std::string(std::getenv("HOME")) + "/INJECTED"));
}

// The swaybg processes drawing on this compositor, found by what it alone gave them.
std::vector<int> swaybg_on(const SwaySession& compositor) {
    std::vector<int> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string pid = entry.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            read_file("/proc/" + pid + "/comm") != "swaybg\n")
            continue;
        std::string environment = read_file("/proc/" + pid + "/environ");
        if (environment.find("XDG_RUNTIME_DIR=" + compositor.runtime_dir() + '\0') != std::string::npos)
            found.push_back(std::stoi(pid));
    }
    return found;
}

TEST(Sway, SwaybgShowsThePictureOnOtherCompositorsAndOnlyOneStays) {
    SwaySession compositor(false);
    TempDir dir;
    write_solid_image(dir.file("a.png"), red);
    write_solid_image(dir.file("b.png"), blue);
    // Found from WAYLAND_DISPLAY alone, as on a compositor without a setter of its own.
    ScopedEnvironment env{{"SWAYSOCK", ""},
                          {"WAYLAND_DISPLAY", compositor.wayland_display()},
                          {"DISPLAY", ""},
                          {"XDG_RUNTIME_DIR", compositor.runtime_dir()},
                          {"XDG_CURRENT_DESKTOP", "niri"},
                          {"DESKTOP_SESSION", ""},
                          {"WALLCYCLE_BACKEND", ""}};
    BackendList backends = desktop_backends();
    ASSERT_EQ(backends.size(), 1u);
    ASSERT_STREQ(backends.front()->name(), "sway");
    for (auto [name, colour] : {std::pair{"a.png", red}, {"b.png", blue}, {"a.png", red}}) {
        Status applied = ApplyWallpaper(dir.file(name), backends);
        ASSERT_TRUE(applied.ok()) << applied.reason();
        EXPECT_TRUE(shows_within(compositor, colour, 3000)) << name;
        EXPECT_EQ(swaybg_on(compositor).size(), 1u) << name;
    }
    for (int pid : swaybg_on(compositor))
        kill(pid, SIGTERM);
    // A swaybg that cannot reach its compositor ends at once: a failure that says why.
    ScopedEnvironment gone{{"WAYLAND_DISPLAY", "wayland-nobody"}};
    Status refused = ApplyWallpaper(dir.file("b.png"), backends);
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.reason().find("compositor"), std::string::npos) << refused.reason();
}

} // namespace
