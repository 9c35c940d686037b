// The built program's window under a real X server, clicked with xdotool as a user would.

#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

std::string xdotool(const std::string& display, const std::vector<std::string>& args) {
    TempDir out;
    std::string command = "/usr/bin/xdotool";
    for (const auto& a : args)
        command += " '" + a + "'";
    Finished done = run("/bin/sh", {"-c", command + " > " + out.file("out")}, {{"DISPLAY", display}});
    if (done.exit_code != 0)
        return {};
    return read_file(out.file("out"));
}

Geometry window_geometry(const std::string& display, const std::string& id) {
    std::istringstream shell(xdotool(display, {"getwindowgeometry", "--shell", id}));
    Geometry g;
    for (std::string line; std::getline(shell, line);) {
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = line.substr(0, eq);
        int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X")
            g.x = value;
        else if (key == "Y")
            g.y = value;
        else if (key == "WIDTH")
            g.width = value;
        else if (key == "HEIGHT")
            g.height = value;
    }
    return g;
}

void click_at(const std::string& display, int x, int y) {
    xdotool(display, {"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
}

TEST(WindowEndToEnd, SetAsWallpaperFromTheRealWindow) {
    Xvfb server(640, 480);
    TempDir dir;
    std::string program = copy_program_into(dir.path());
    write_solid_image(dir.file("red.png"), red);
    write_solid_image(dir.file("blue.png"), blue);
    write_file(dir.file("k_save.dat"), "\"30\"\r\n\"" + dir.file("blue.png") + "\"\r\n\"" +
                                           dir.file("red.png") + "\"\r\n\"/home/me/Pictures/桜.bmp\"\r\n");
    MapWatcher watcher(server.display());
    Process wallcycle(program, {}, {{"DISPLAY", server.display()}, {"QT_QPA_PLATFORM", "xcb"}});
    ASSERT_TRUE(watcher.window_mapped_within(10000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::string id = xdotool(server.display(), {"search", "--sync", "--onlyvisible", "--name", "^Form1$"});
    ASSERT_FALSE(id.empty());
    id = id.substr(0, id.find('\n'));
    Geometry window = window_geometry(server.display(), id);
    EXPECT_EQ(window.width, 449);
    EXPECT_EQ(window.height, 213);

    // The second entry, then "壁紙に設定".
    click_at(server.display(), window.x + 16 + 40, window.y + 8 + 2 + 17 + 8);
    click_at(server.display(), window.x + 360 + 40, window.y + 104 + 20);
    EXPECT_TRUE(colours_near(root_pixel(server.display(), 630, 470), red))
        << std::hex << root_pixel(server.display(), 630, 470);

    QImage shot = grab_screen_area(server.display(), window.x, window.y, window.width, window.height);
    EXPECT_TRUE(shot.save(QString::fromLatin1(WALLCYCLE_BINARY_DIR "/window.png")));
    Finished done = wallcycle.finish(0);
    EXPECT_EQ(done.err.find("wallcycle:"), std::string::npos) << done.err;
}

} // namespace
