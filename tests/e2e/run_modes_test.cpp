// The built program run as a user or login script runs it, against a real X server.

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"
#include "wallpaper/backends/x11_root.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <thread>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

constexpr std::uint32_t grey = 0x808080, red = 0xdd2211, green = 0x22bb33, blue = 0x1144ee;

// A program copy with its own settings folder, a server showing a grey wallpaper, three images.
struct Desk {
    Xvfb server{320, 200};
    TempDir dir;
    ProgramCopy program{dir.path()};
    std::vector<std::string> three{dir.file("red.png"), dir.file("green.bmp"), dir.file("blue.jpg")};

    Desk() {
        write_solid_image(dir.file("grey.png"), grey);
        for (auto [file, colour] : {std::pair{three[0], red}, {three[1], green}, {three[2], blue}})
            write_solid_image(file, colour);
        Status set = X11RootBackend(server.display()).apply(dir.file("grey.png"));
        if (!set)
            throw std::runtime_error(set.reason());
    }
    // A bare X session on this server, changed by `session`.
    std::map<std::string, std::string> env(const std::map<std::string, std::string>& session = {}) const {
        std::map<std::string, std::string> env = ProgramCopy::session(session);
        env.emplace("DISPLAY", server.display());
        return env;
    }
    std::uint32_t root() const { return root_pixel(server.display(), 7, 7); }
};

TEST(RunModes, OutcomesByArgumentAndSettings) {
    // A session bus and an X display that take connections and never answer.
    TempDir sockets;
    SilentServer bus(sockets.file("bus"));
    const std::string silent_bus = "unix:path=" + sockets.file("bus"),
                      silent_display = ":" + std::to_string(900 + getpid() % 90);
    SilentServer display("/tmp/.X11-unix/X" + silent_display.substr(1));
    // A real bus behind a proxy that closes the connection when the program asks whether a
    // desktop's service runs.
    DbusSession real_bus;
    ClosingProxy closing(sockets.file("closing"), getenv("DBUS_SESSION_BUS_ADDRESS"), "NameHasOwner");
    const std::string closing_bus = "unix:path=" + sockets.file("closing");
    // And one that goes silent when a setting is written to dconf (its method "Change").
    ClosingProxy silencing(sockets.file("silencing"), getenv("DBUS_SESSION_BUS_ADDRESS"),
                           std::string("\x06\0\0\0Change", 10), ClosingProxy::Then::fall_silent);
    const std::string silencing_bus = "unix:path=" + sockets.file("silencing");
    // And one that authenticates and then says nothing, from the first call (Hello) on.
    ClosingProxy mute(sockets.file("mute"), getenv("DBUS_SESSION_BUS_ADDRESS"), "Hello",
                      ClosingProxy::Then::fall_silent);
    const std::string mute_bus = "unix:path=" + sockets.file("mute");
    enum class Expect { Window, Exits };
    struct Case {
        const char* name;
        // {} = no file; "%LIST%" = the three images with interval; "%PIPE%", "%LOOP%", "%HUGE%": a
        // named pipe, a loop of links, a file over 256 MiB
        std::optional<std::string> settings;
        std::vector<std::string> args;
        Expect expect;
        int exit_code;                                   // when it exits
        bool changes;                                    // the wallpaper becomes one of the three images
        const char* says;                                // on stderr
        std::map<std::string, std::string> session = {}; // besides a bare X session's
    } cases[] = {
        // One case a line: the table it is.
        // clang-format off
        {"/e sets one image and exits", "%LIST%", {"/e"}, Expect::Exits, 0, true, ""},
        {"/e without a settings file opens the window", std::nullopt, {"/e"}, Expect::Window, 0, false, "no settings file"},
        {"/e with an empty file opens the window", std::string(), {"/e"}, Expect::Window, 0, false, "no records"},
        {"/e with an empty list", std::string("\"5\"\r\n"), {"/e"}, Expect::Exits, 1, false, "list is empty"},
        {"/e with an unusable image", std::string("\"5\"\r\n\"/nowhere/x.bmp\"\r\n"), {"/e"}, Expect::Exits, 1, false, "/nowhere/x.bmp"},
        {"/e with an empty entry", std::string("\"5\"\r\n\"\"\r\n"), {"/e"}, Expect::Exits, 1, false, "empty"},
        {"/s with an empty interval exits", std::string("\"\"\r\n\"/a.bmp\"\r\n"), {"/s"}, Expect::Exits, 2, false, "no interval"},
        {"/s with interval 0 stays idle", "%LIST%0", {"/s"}, Expect::Window, 0, false, ""},
        {"/s with a non-number stays idle", "%LIST%abc", {"/s"}, Expect::Window, 0, false, "not a number"},
        {"no argument", "%LIST%", {}, Expect::Window, 0, false, ""},
        {"/e on a Wayland compositor nobody serves", "%LIST%", {"/e"}, Expect::Exits, 1, false, "compositor", {{"WAYLAND_DISPLAY", "wayland-nobody"}, {"XDG_CURRENT_DESKTOP", "niri"}}},
        {"/e in a Wayland session with no setter", "%LIST%", {"/e"}, Expect::Exits, 1, false, "Wayland session", {{"XDG_SESSION_TYPE", "wayland"}}},
        {"/e on GNOME whose bus is silent sets the root", "%LIST%", {"/e"}, Expect::Exits, 0, true, "does not answer (waited 5 s)", {{"DBUS_SESSION_BUS_ADDRESS", silent_bus}, {"XDG_CURRENT_DESKTOP", "GNOME"}}},
        {"/e on KDE whose bus is silent does not wait for Plasma", "%LIST%", {"/e"}, Expect::Exits, 0, true, "kde: the session D-Bus does not answer", {{"DBUS_SESSION_BUS_ADDRESS", silent_bus}, {"XDG_CURRENT_DESKTOP", "KDE"}}},
        {"/e on XFCE whose bus closes mid-call sets the root", "%LIST%", {"/e"}, Expect::Exits, 0, true, "closed the connection", {{"DBUS_SESSION_BUS_ADDRESS", closing_bus}, {"XDG_CURRENT_DESKTOP", "XFCE"}}},
        {"/e on GNOME whose settings store falls silent: said within its bound", "%LIST%", {"/e"}, Expect::Exits, 1, false, "did not answer within 10 s", {{"DBUS_SESSION_BUS_ADDRESS", silencing_bus}, {"XDG_CURRENT_DESKTOP", "GNOME"}, {"GSETTINGS_BACKEND", "dconf"}, {"XDG_CONFIG_HOME", sockets.path()}}},
        {"/e on XFCE whose bus says nothing after authenticating sets the root", "%LIST%", {"/e"}, Expect::Exits, 0, true, "does not answer (waited 5 s)", {{"DBUS_SESSION_BUS_ADDRESS", mute_bus}, {"XDG_CURRENT_DESKTOP", "XFCE"}}},
        {"the window with a bus that says nothing after authenticating", "%LIST%", {}, Expect::Window, 0, false, "does not answer", {{"DBUS_SESSION_BUS_ADDRESS", mute_bus}}},
        {"/e on GNOME whose bus is not there sets the root, said in one line", "%LIST%", {"/e"}, Expect::Exits, 0, true, "is not there (nobody listens); going on without it\nwallcycle: Wallpaper set through x11 instead", {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + sockets.file("nobody")}, {"XDG_CURRENT_DESKTOP", "GNOME"}}},
        {"the window with a silent bus", "%LIST%", {}, Expect::Window, 0, false, "does not answer", {{"DBUS_SESSION_BUS_ADDRESS", silent_bus}}},
        {"/e on a silent X display", "%LIST%", {"/e"}, Expect::Exits, 1, false, "does not answer", {{"DISPLAY", silent_display}}},
        {"the window on a silent X display", "%LIST%", {}, Expect::Exits, 3, false, "does not answer", {{"DISPLAY", silent_display}}},
        {"the window with no display at all: said, never an abort", "%LIST%", {}, Expect::Exits, 3, false, "no display to show it on", {{"DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}},
        {"Qt's switches are only arguments: no display, said", "%LIST%", {"-platform", "offscreen"}, Expect::Exits, 3, false, "no display to show it on", {{"DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}}},
        {"/e with settings in a named pipe: the window, never a hang", "%PIPE%", {"/e"}, Expect::Window, 0, false, "not a regular file"},
        {"/s with settings in a loop of links: the window", "%LOOP%", {"/s"}, Expect::Window, 0, false, "symbolic links"},
        {"the window with settings over 256 MiB", "%HUGE%", {}, Expect::Window, 0, false, "larger than 256 MiB"},
        {"/e on GNOME without its settings falls through to the root", "%LIST%", {"/e"}, Expect::Exits, 0, true, "x11 instead", {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_DATA_DIRS", "/nowhere"}, {"GSETTINGS_SCHEMA_DIR", ""}}},
        {"/e forced to GNOME without its settings says why", "%LIST%", {"/e"}, Expect::Exits, 1, false, "org.gnome.desktop.background", {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_DATA_DIRS", "/nowhere"}, {"GSETTINGS_SCHEMA_DIR", ""}, {"WALLCYCLE_BACKEND", "gnome"}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Desk desk;
        const std::string& settings_path = desk.program.settings;
        std::string bytes;
        const std::map<std::string, void (*)(const std::string&)> stands_in{
            {"%PIPE%", [](const std::string& p) { mkfifo(p.c_str(), 0600); }},
            {"%LOOP%", make_link_loop},
            {"%HUGE%", [](const std::string& p) {
                 write_file(p, "\"1\"\r\n");
                 std::filesystem::resize_file(p, (std::uintmax_t{256} << 20) + 1);
             }}};
        const bool special = c.settings && stands_in.count(*c.settings) != 0;
        if (special)
            stands_in.find(*c.settings)->second(settings_path);
        else if (c.settings && c.settings->rfind("%LIST%", 0) == 0)
            desk.program.write_list(c.settings->size() > 6 ? c.settings->substr(6) : "1", desk.three);
        else if (c.settings)
            write_file(settings_path, *c.settings);
        if (c.settings && !special)
            bytes = read_file(settings_path);
        MapWatcher watcher(desk.server.display());
        Process program(desk.program.path, c.args, desk.env(c.session));
        Finished done;
        if (c.expect == Expect::Window) {
            EXPECT_TRUE(watcher.window_mapped_within(20000))
                << "no window"; // a silent bus is waited for first
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            EXPECT_TRUE(program.still_running());
            done = program.finish(0);
        } else {
            done = program.finish(20000);
            EXPECT_EQ(done.exit_code, c.exit_code) << done.err;
            EXPECT_FALSE(watcher.window_mapped_within(100)) << "a window was mapped";
        }
        EXPECT_NE(done.err.find(c.says), std::string::npos) << done.err;
        std::uint32_t now = desk.root();
        EXPECT_TRUE(c.changes ? colours_near(now, red) || colours_near(now, green) || colours_near(now, blue)
                              : now == grey)
            << std::hex << now;
        EXPECT_TRUE(!c.settings || special || read_file(settings_path) == bytes)
            << "the settings file was touched";
    }
}

// Each picture of the list comes up, those of a folder entry too, read by the real decoders: a
// damaged one among them is passed over.
TEST(RunModes, EveryPictureOfTheListComesUpWithE) {
    Desk desk;
    std::string album = desk.dir.file("album");
    std::filesystem::create_directories(album + "/sub");
    std::filesystem::rename(desk.three[2], album + "/sub/blue.jpg");
    write_file(album + "/broken.png", "\x89PNG but damaged");
    desk.program.write_list("1", {desk.three[0], desk.three[1], album});
    std::set<std::string> seen;
    for (int i = 0; i < 40 && seen.size() < 3; ++i) {
        Finished done = run(desk.program.path, {"/e"}, desk.env());
        ASSERT_EQ(done.exit_code, 0) << done.err;
        std::uint32_t now = desk.root();
        seen.insert(colours_near(now, red)     ? "red"
                    : colours_near(now, green) ? "green"
                    : colours_near(now, blue)  ? "blue"
                                               : "other");
    }
    EXPECT_EQ(seen, (std::set<std::string>{"red", "green", "blue"}));
}

// A picture larger than the memory the program may take: exit 1 with the reason, the wallpaper
// as it was (never an abort).
TEST(RunModes, APictureTooLargeForTheMemoryLeftLeavesTheWallpaper) {
    if (WALLCYCLE_SANITIZED) // the sanitizers' own memory needs no limit on it
        GTEST_SKIP() << "not under the sanitizers";
    Desk desk;
    write_solid_image(desk.dir.file("big.bmp"), red, 4000, 4000); // 46 MiB of file, held whole
    desk.program.write_list("1", {desk.dir.file("big.bmp")});
    Finished done = run("/bin/sh", {"-c", "ulimit -v 60000; exec \"$0\" /e", desk.program.path}, desk.env());
    EXPECT_EQ(done.exit_code, 1) << done.err;
    EXPECT_NE(done.err.find("not enough memory"), std::string::npos) << done.err;
    EXPECT_EQ(desk.root(), grey);
}

// A rotation whose every tick fails, or sets the picture on another desktop than the session's,
// says so once, not at every tick (a session log lives for days).
TEST(RunModes, WhatARotationRepeatsIsSaidOnce) {
    struct Case {
        const char* picture;
        std::map<std::string, std::string> session;
        const char* line; // said once in about 100 ticks
    } cases[] = {
        {"gone.png", {}, "gone.png"},
        {"red.png",
         {{"XDG_CURRENT_DESKTOP", "GNOME"}, {"XDG_DATA_DIRS", "/nowhere"}, {"GSETTINGS_SCHEMA_DIR", ""}},
         "x11 instead"},
    };
    for (const auto& c : cases) {
        Desk desk;
        desk.program.write_list("0.02", {desk.dir.file(c.picture)});
        MapWatcher watcher(desk.server.display());
        Process program(desk.program.path, {"/s"}, desk.env(c.session));
        ASSERT_TRUE(watcher.window_mapped_within(10000));
        std::this_thread::sleep_for(std::chrono::seconds(2));
        Finished done = program.finish(0);
        EXPECT_NE(done.err.find(c.line), std::string::npos) << done.err;
        EXPECT_EQ(done.err.find(c.line), done.err.rfind(c.line)) << "said more than once: " << done.err;
    }
}

// A rotation sets a new picture at every tick and no more often, and leaves nothing behind in the
// server: over sixty sets its memory stays flat.
TEST(RunModes, RotationChangesTheWallpaperEveryIntervalAndLeavesNothingBehind) {
    Desk desk;
    desk.program.write_list("0.1", desk.three);
    MapWatcher watcher(desk.server.display());
    Process program(desk.program.path, {"/s"}, desk.env());
    ASSERT_TRUE(watcher.window_mapped_within(10000));
    auto pixmap = [&] { return root_pixmap_property(desk.server.display(), "_XROOTPMAP_ID"); };
    std::uint32_t last = pixmap();
    int changes = 0;
    long settled = 0; // the first few sets settle the server's allocator (it keeps a freed picture)
    wait_for(
        [&] {
            std::uint32_t now = pixmap();
            changes += now != last;
            last = now;
            if (changes >= 5 && settled == 0)
                settled = desk.server.rss_kib();
            return false;
        },
        6000, 20);
    EXPECT_TRUE(program.still_running());
    EXPECT_GE(changes, 20);
    EXPECT_LE(changes, 62);
    program.finish(0);
    EXPECT_EQ(count_pixmaps(desk.server.display()), 1) << "old pictures left behind";
    // One picture left behind at each tick would be 250 KiB each at this size.
    EXPECT_LT(desk.server.rss_kib() - settled, 3 * 1024) << "Xvfb grew from " << settled << " KiB";
}

} // namespace

// Copies of the program running at once on GNOME (a rotation, and "/e" run again and again beside
// it), each making pictures of its own: the one the desktop's setting names is always there.
TEST(RunModes, CopiesRunningTogetherNeverLeaveTheDesktopADeletedPicture) {
    Desk desk;
    std::vector<std::string> made_for_gnome; // WebP: desktops do not read it, so each set makes a picture
    for (auto [name, colour] : {std::pair{"red.webp", red}, {"green.webp", green}, {"blue.webp", blue}}) {
        made_for_gnome.push_back(desk.dir.file(name));
        write_solid_image(made_for_gnome.back(), colour);
    }
    desk.program.write_list("0.05", made_for_gnome);
    // GNOME's own store, dconf, on a bus of this test's, in a home of its own.
    use_private_home(desk.dir.file("home"));
    DbusSession bus;
    auto env = desk.env({{"XDG_CURRENT_DESKTOP", "GNOME"}, {"GSETTINGS_BACKEND", "dconf"}});
    // The file the setting names, as GNOME reads it.
    auto named = [&]() -> std::optional<std::string> {
        Finished read =
            run("/usr/bin/gsettings", {"get", "org.gnome.desktop.background", "picture-uri"}, env);
        auto at = read.out.find("'file://");
        if (at == std::string::npos)
            return std::nullopt;
        at += 8;
        return read.out.substr(at, read.out.find('\'', at) - at);
    };
    MapWatcher watcher(desk.server.display());
    Process rotation(desk.program.path, {"/s"}, env);
    ASSERT_TRUE(watcher.window_mapped_within(10000));
    std::atomic<bool> done = false;
    std::thread starts([&] {
        for (int i = 0; i < 40; ++i) {
            Finished f = run(desk.program.path, {"/e"}, env);
            EXPECT_EQ(f.exit_code, 0) << f.err;
        }
        done = true;
    });
    int reads = 0, missing = 0;
    std::string last_missing;
    while (!done) {
        if (std::optional<std::string> file = named()) {
            ++reads;
            // Read once more: the setting may have moved on between the two reads.
            if (!std::filesystem::exists(*file) && named() == file && !std::filesystem::exists(*file))
                ++missing, last_missing = *file;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    starts.join();
    EXPECT_TRUE(rotation.still_running());
    rotation.finish(0);
    EXPECT_GT(reads, 50);
    EXPECT_EQ(missing, 0) << "of " << reads << " reads, the last naming " << last_missing;
}
