// The session's rotation driven from outside as a menu entry or a key does it: the real gdbus on a
// private session bus, the picture read back from the root of a real X server.

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

#include <algorithm>
#include <cstdlib>
#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, green = 0x22bb33, blue = 0x1144ee;

Finished call(const std::string& method, const std::vector<std::string>& arguments) {
    std::vector<std::string> args{"call",          "--session",
                                  "--dest",        "org.wallcycle.Wallcycle",
                                  "--object-path", "/org/wallcycle/Wallcycle",
                                  "--method",      "org.freedesktop.Application." + method};
    args.insert(args.end(), arguments.begin(), arguments.end());
    return run("gdbus", args, {}, 10000);
}

Finished action(const std::string& name) {
    return call("ActivateAction", {name, "[]", "{}"});
}

TEST(RotationControl, NextPauseResumeAndOneRotationPerSession) {
    auto bus = std::make_unique<DbusSession>();
    Xvfb server(640, 480); // the window covers the top left
    TempDir dir;
    ProgramCopy program(dir.path());
    std::vector<std::string> three{dir.file("red.png"), dir.file("green.bmp"), dir.file("blue.jpg")};
    for (auto [file, colour] : {std::pair{three[0], red}, {three[1], green}, {three[2], blue}})
        write_solid_image(file, colour);
    program.write_list("0.3", three);
    auto env = ProgramCopy::session({{"DISPLAY", server.display()}, {"QT_QPA_PLATFORM", "xcb"}});
    MapWatcher watcher(server.display());
    Process rotation(program.path, {"/s"}, env);
    ASSERT_TRUE(watcher.window_mapped_within(10000));
    auto pixmap = [&] { return root_pixmap_property(server.display(), "_XROOTPMAP_ID"); };
    auto changes_within = [&](int ms) {
        std::uint32_t before = pixmap();
        return wait_for([&] { return pixmap() != before; }, ms, 20);
    };
    ASSERT_TRUE(changes_within(3000)) << "the rotation does not tick";

    // Paused: no tick over four periods, and the title says so.
    ASSERT_EQ(action("pause").exit_code, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // a tick already under way
    EXPECT_FALSE(changes_within(1200)) << "ticks while paused";
    EXPECT_EQ(xdotool(server.display(), "search --name '^Form1 ' getwindowname"), "Form1 (一時停止中)\n");
    // Next, five times: another picture each time.
    for (int i = 0; i < 5; ++i) {
        std::uint32_t before = root_pixel(server.display(), 630, 470);
        Finished next = action("next");
        ASSERT_EQ(next.exit_code, 0) << next.err;
        EXPECT_FALSE(colours_near(root_pixel(server.display(), 630, 470), before))
            << "next " << i << " kept the picture " << std::hex << before;
    }
    // The menu entry's action, launched as GNOME's menu launches it (GLib's desktop entry launcher).
    std::uint32_t before = root_pixel(server.display(), 630, 470);
    setenv("PATH", (program.folder + ":" + getenv("PATH")).c_str(),
           1); // the entry's program, found as installed
    GDesktopAppInfo* entry =
        g_desktop_app_info_new_from_filename(WALLCYCLE_SOURCE_DIR "/data/org.wallcycle.Wallcycle.desktop");
    ASSERT_NE(entry, nullptr);
    g_desktop_app_info_launch_action(entry, "next", nullptr);
    g_object_unref(entry);
    EXPECT_TRUE(wait_for([&] { return !colours_near(root_pixel(server.display(), 630, 470), before); }, 5000))
        << "the menu's next did not change the picture";
    ASSERT_EQ(action("resume").exit_code, 0);
    EXPECT_TRUE(changes_within(1500)) << "no tick after resume";

    // What a caller may get wrong is answered with an error; the rotation goes on.
    for (const auto& [method, arguments, says] :
         std::vector<std::tuple<std::string, std::vector<std::string>, std::string>>{
             {"ActivateAction", {"skip", "[]", "{}"}, "no action \"skip\""},
             {"ActivateAction", {"next"}, "ActivateAction(sava{sv})"},
             {"Quit", {}, "not Quit"}}) {
        Finished refused = call(method, arguments);
        EXPECT_NE(refused.exit_code, 0) << method;
        EXPECT_NE(refused.err.find(says), std::string::npos) << refused.err;
    }

    // A second "/s" brings the first one's window up and ends, leaving one rotation.
    Finished second = run(program.path, {"/s"}, env, 5000);
    EXPECT_EQ(second.exit_code, 0) << second.err;
    EXPECT_NE(second.err.find("already runs"), std::string::npos) << second.err;
    std::string shown = xdotool(server.display(), "search --onlyvisible --name '^Form1$'");
    EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 1) << "windows: " << shown;
    EXPECT_TRUE(rotation.still_running());

    // The bus gone: the rotation goes on.
    bus.reset();
    EXPECT_TRUE(changes_within(1500)) << "no tick once the bus is gone";
    EXPECT_TRUE(rotation.still_running());
    rotation.finish(0);
}

} // namespace
