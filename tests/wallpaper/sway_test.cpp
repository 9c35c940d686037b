// wlroots compositors: the real sway, headless, read back with grim. (LXQt and LXDE, the other
// desktops driven through their own programs, are tested on their real shells with the others.)

#include "tests/support/images.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/sway_session.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"
#include "wallpaper/backend_loader.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;

bool shows_within(const SwaySession& sway, std::uint32_t colour, int milliseconds) {
    return wait_for([&] { return colours_near(sway.pixel(400, 300), colour); }, milliseconds, 50);
}

TEST(Sway, SwayShowsThePictureItIsAskedFor) {
    SwaySession sway(true);
    TempDir dir;
    std::string first = dir.file("first picture.png"), second = dir.file("say \"cheese\".png");
    write_solid_image(first, red);
    write_solid_image(second, blue);
    ScopedEnvironment env{{"SWAYSOCK", sway.swaysock()},
                          {"WAYLAND_DISPLAY", sway.wayland_display()},
                          {"XDG_RUNTIME_DIR", sway.runtime_dir()}};
    auto backend = make_backend("sway");
    ASSERT_TRUE(backend->can_run().ok()) << backend->can_run().reason();
    ASSERT_TRUE(backend->apply(first).ok());
    EXPECT_TRUE(shows_within(sway, red, 3000)) << std::hex << sway.pixel(400, 300);
    Status applied = backend->apply(second);
    ASSERT_TRUE(applied.ok()) << applied.reason();
    EXPECT_TRUE(shows_within(sway, blue, 3000)) << std::hex << sway.pixel(400, 300);
}

TEST(Sway, SwaybgReplacesThePreviousPictureOnOtherCompositors) {
    SwaySession compositor(false);
    TempDir dir;
    write_solid_image(dir.file("a.png"), red);
    write_solid_image(dir.file("b.png"), blue);
    ScopedEnvironment env{{"SWAYSOCK", ""},
                          {"WAYLAND_DISPLAY", compositor.wayland_display()},
                          {"XDG_RUNTIME_DIR", compositor.runtime_dir()}};
    auto backend = make_backend("sway");
    ASSERT_TRUE(backend->can_run().ok()) << backend->can_run().reason();
    ASSERT_TRUE(backend->apply(dir.file("a.png")).ok());
    EXPECT_TRUE(shows_within(compositor, red, 3000));
    int first_swaybg = std::atoi(read_file(compositor.runtime_dir() + "/wallcycle-swaybg.pid").c_str());
    ASSERT_TRUE(backend->apply(dir.file("b.png")).ok());
    EXPECT_TRUE(shows_within(compositor, blue, 3000));
    int second_swaybg = std::atoi(read_file(compositor.runtime_dir() + "/wallcycle-swaybg.pid").c_str());
    EXPECT_NE(first_swaybg, second_swaybg);
    EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(first_swaybg) + "/comm") &&
                 read_file("/proc/" + std::to_string(first_swaybg) + "/comm") == "swaybg\n")
        << "the first swaybg is still running";
    kill(second_swaybg, SIGTERM);
}

} // namespace
