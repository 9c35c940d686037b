// The built program's window under a real X server, driven with xdotool as a user would: the
// keyboard, a held button, clicks and a double-click on the list, a failure's notice, the question
// before an unreadable list is replaced. What the commands decide is tested on the window's model.

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;

TEST(WindowEndToEnd, AUserAtTheRealWindow) {
    Xvfb server(640, 480);
    TempDir dir;
    ProgramCopy program(dir.path());
    const std::string& settings = program.settings;
    write_solid_image(dir.file("red.png"), red);
    write_solid_image(dir.file("blue.png"), blue);
    program.write_list("30", {dir.file("blue.png"), dir.file("red.png"), "/home/me/Pictures/桜.bmp"});
    const std::string entries = read_file(settings).substr(6);
    MapWatcher watcher(server.display());
    Process wallcycle(program.path, {}, {{"DISPLAY", server.display()}, {"QT_QPA_PLATFORM", "xcb"}});
    ASSERT_TRUE(watcher.window_mapped_within(10000));
    ShownWindow window = shown_window(server.display(), "^Form1$");
    ASSERT_FALSE(window.id.empty());
    EXPECT_EQ(window.width, 449);
    EXPECT_EQ(window.height, 213);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QImage shot = grab_screen_area(server.display(), window.x, window.y, 449, 213);
    EXPECT_TRUE(shot.save(QString::fromLatin1(WALLCYCLE_BINARY_DIR "/window.png")));
    // The interval the settings file holds once it differs from before.
    auto saved_interval = [&](const std::string& before) {
        std::string now = before;
        wait_for([&] { return (now = read_file(settings)) != before; }, 5000);
        EXPECT_EQ(now.substr(now.find('\n') + 1), entries);
        return std::atoi(now.c_str() + 1);
    };
    // Points in the window: the list's rows are about 14 pixels high, from y 10.
    auto at = [&](int x, int y) { return std::to_string(window.x + x) + " " + std::to_string(window.y + y); };
    auto click = [&](int x, int y, int times = 1) {
        xdotool(server.display(),
                "mousemove " + at(x, y) + " click --repeat " + std::to_string(times) + " --delay 80 1");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    };

    // The focus starts on 追加; four tabs reach ↑, two more 設定の保存.
    std::string before = read_file(settings);
    xdotool(server.display(),
            "windowfocus --sync " + window.id + " key --delay 100 Tab Tab Tab Tab space Tab Tab space");
    EXPECT_EQ(saved_interval(before), 31);
    // ↑ held for most of a second steps again and again; then 設定の保存.
    before = read_file(settings);
    xdotool(server.display(), "mousemove " + at(244, 183) + " mousedown 1 sleep 0.9 mouseup 1");
    click(400, 180);
    EXPECT_GT(saved_interval(before), 33);

    click(56, 32);   // the second entry
    click(400, 124); // 壁紙に設定
    EXPECT_TRUE(colours_near(root_pixel(server.display(), 630, 470), red));
    click(56, 18, 2); // a double-click on the first
    EXPECT_TRUE(colours_near(root_pixel(server.display(), 630, 470), blue));

    // A picture that is not there, set twice: one notice, reused, and the wallpaper as it was.
    auto boxes = [&] {
        std::string found = xdotool(server.display(), "search --onlyvisible --name '^wallcycle$'");
        return std::count(found.begin(), found.end(), '\n');
    };
    click(56, 46);
    click(400, 124);
    click(400, 124);
    EXPECT_EQ(boxes(), 1);
    EXPECT_TRUE(colours_near(root_pixel(server.display(), 630, 470), blue));
    Finished done = wallcycle.finish(0);
    // The only complaints are about the missing picture, once for each time it was set.
    std::regex complaint("wallcycle: [^\n]*"), about_it("wallcycle: [^\n]*桜\\.bmp[^\n]*");
    auto count = [&](const std::regex& line) {
        return std::distance(std::sregex_iterator(done.err.begin(), done.err.end(), line), {});
    };
    EXPECT_EQ(count(complaint), 2) << done.err;
    EXPECT_EQ(count(about_it), 2) << done.err;

    // A settings file that could not be read is said when the window opens, and the save asks before
    // replacing it: Return takes the default, "No", which keeps it; "Y" replaces it.
    std::filesystem::resize_file(settings, (std::uintmax_t{256} << 20) + 1);
    Process reopened(program.path, {}, {{"DISPLAY", server.display()}, {"QT_QPA_PLATFORM", "xcb"}});
    window = shown_window(server.display(), "^Form1$");
    ASSERT_FALSE(window.id.empty());
    EXPECT_TRUE(wait_for([&] { return boxes() == 1; }, 5000)) << "no notice";
    click(400, 180);
    xdotool(server.display(), "sleep 0.3 key Return");
    // A save the answer made is written before the question is seen to close.
    EXPECT_TRUE(wait_for([&] { return boxes() == 1; }, 5000)) << "the question is still open";
    EXPECT_EQ(std::filesystem::file_size(settings), (std::uintmax_t{256} << 20) + 1);
    click(400, 180);
    xdotool(server.display(), "sleep 0.3 key y");
    EXPECT_TRUE(wait_for([&] { return read_file(settings) == "\"0\"\r\n"; }, 5000));
    reopened.finish(0);
}

} // namespace
