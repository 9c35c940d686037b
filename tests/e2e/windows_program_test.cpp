// The Windows program (cross-built) under wine, with its window on a private Xvfb: a Japanese
// system (code page 932) with a settings file written by one.

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

#include <QImage>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <iconv.h>
#include <set>
#include <sys/stat.h>
#include <thread>

using namespace wallcycle::test;

namespace {

const std::string wine_run = WALLCYCLE_SOURCE_DIR "/tools/wine-run";

// Text from one encoding to another, as iconv names them.
std::string converted(const std::string& text, const char* from, const char* to) {
    iconv_t converter = iconv_open(to, from);
    std::string out(text.size() * 3 + 16, '\0');
    char *in = const_cast<char*>(text.data()), *at = out.data();
    size_t in_left = text.size(), out_left = out.size();
    iconv(converter, &in, &in_left, &at, &out_left);
    iconv_close(converter);
    return out.substr(0, out.size() - out_left);
}
std::string from_cp932(const std::string& bytes) {
    return converted(bytes, "CP932", "UTF-8");
}

std::string windows_path(std::string unix_path) { // Z: is the Unix root under wine
    std::replace(unix_path.begin(), unix_path.end(), '/', '\\');
    return "Z:" + unix_path;
}

// One wine prefix for the whole test program, made once; a private X server for its windows.
struct Wine {
    Xvfb server{1024, 768};
    TempDir dir;
    std::string prefix = dir.file("prefix");

    // Its wine server ends with the tests, and takes the folder wine made for it with it.
    ~Wine() { wallcycle::test::run(wine_run, {"--end", prefix}, {}, 30000); }
    std::map<std::string, std::string> env() const {
        return {{"DISPLAY", server.display()}, {"LC_ALL", "ja_JP.UTF-8"}, {"WINEDEBUG", "-all"}};
    }
    Finished run(const std::string& program, std::vector<std::string> args, int timeout_ms = 60000) const {
        args.insert(args.begin(), {prefix, program});
        return wallcycle::test::run(wine_run, args, env(), timeout_ms);
    }
    // The wallpaper the registry names, read with wine's own reg (its output is in code page 932).
    std::string wallpaper() const {
        std::string text = run("reg", {"query", "HKCU\\Control Panel\\Desktop", "/v", "Wallpaper"}).out;
        auto at = text.find("REG_SZ");
        if (at == std::string::npos)
            return {};
        std::string value = from_cp932(text.substr(at + 6));
        value.erase(0, value.find_first_not_of(' '));
        return value.substr(0, value.find_last_not_of("\r\n ") + 1);
    }
};

Wine& wine() {
    static Wine instance;
    return instance;
}

// A program folder with the .exe, pictures with Japanese names and a settings file in code page 932.
struct ProgramFolder {
    TempDir dir;
    std::string exe = dir.file("wallcycle.exe");
    std::vector<std::string> pictures; // as Windows names them

    explicit ProgramFolder(int picture_count = 2) {
        std::filesystem::copy_file(WALLCYCLE_WINDOWS_PROGRAM, exe);
        const char* names[] = {"桜", "壁紙", "夜景", "海", "山"};
        for (int i = 0; i < picture_count; ++i) {
            std::string file = dir.file(std::string(names[i]) + ".bmp");
            write_solid_image(file, 0x112233 * static_cast<std::uint32_t>(i + 1), 32, 24);
            pictures.push_back(windows_path(file));
        }
    }
    void write_settings(const std::string& interval, const std::vector<std::string>& entries) const {
        write_file(dir.file("k_save.dat"),
                   converted(ProgramCopy::list_text(interval, entries), "UTF-8", "CP932"));
    }
};

// "/e" with a list written by a Japanese system: each row's list, its exit (-1: the window stays
// open), what stderr says (in the code page) and the wallpaper the registry names afterwards ("" =
// as it was); a settings file that cannot be read opens the window, never a hang. Damaged pictures,
// which GDI+ would show with grey or black parts, are refused: every byte is looked at before
// Windows is asked.
TEST(WindowsProgram, ApplyOnceOutcomes) {
    ProgramFolder folder;
    auto file = [&](const std::string& name) { return folder.dir.file(name); };
    std::string bmp = read_file(file("桜.bmp"));
    write_split_image(file("photo.jpg"), 0xdd2211, 0x1144ee, 400, 300);
    write_split_image(file("photo.png"), 0xdd2211, 0x1144ee, 400, 300);
    std::string jpeg = read_file(file("photo.jpg")), png = read_file(file("photo.png"));
    const std::string damaged = WALLCYCLE_SOURCE_DIR "/tests/pictures/damaged/";
    for (const auto& [name, bytes] :
         std::map<std::string, std::string>{{"broken.bmp", "BM but not a picture"},
                                            {"半分.bmp", bmp.substr(0, bmp.size() / 2)},
                                            {"cut.jpg", jpeg.substr(0, jpeg.size() / 3)},
                                            {"cut.png", png.substr(0, png.size() * 3 / 4)},
                                            {"latin/café.bmp", "BM but damaged"},
                                            {"アルバム/メモ.txt", "not a picture"}}) {
        std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
        write_file(file(name), bytes);
    }
    for (const char* made : {"img", "アルバム/夏", "アルバム/.hidden"})
        std::filesystem::create_directories(file(made));
    write_solid_image(file("img/red.bmp"), 0xdd2211, 32, 24);
    write_solid_image(file("アルバム/夏/海.bmp"), 0x2255aa, 32, 24);
    for (const char* hidden : {"1", "2", "3"}) // a walk that took them would soon show
        write_solid_image(file(std::string("アルバム/.hidden/隠し") + hidden + ".bmp"), 0x2255aa, 32, 24);
    auto win = [&](const std::string& name) { return windows_path(file(name)); };
    struct Case {
        const char* name;
        std::vector<std::string> entries;
        int exit_code;
        std::string says, wallpaper;
        void (*settings)(const std::string& path) = nullptr; // done to the file after it is written
    } cases[] = {
        // clang-format off
        {"a picture", {folder.pictures[1]}, 0, "", folder.pictures[1]},
        {"an empty list", {}, 1, "list is empty", ""},
        {"a file that is not there, named in the code page", {"Z:\\nowhere\\桜がない.bmp"}, 1, "桜がない.bmp", ""},
        {"no picture", {win("broken.bmp")}, 1, "broken.bmp", ""},
        {"a BMP cut short", {win("半分.bmp")}, 1, "cut short", ""},
        {"a BMP claiming more than it holds", {windows_path(damaged + "claims.bmp")}, 1, "cut short", ""},
        {"a JPEG cut short", {win("cut.jpg")}, 1, "damaged", ""},
        {"a PNG cut short", {win("cut.png")}, 1, "damaged", ""},
        {"a PNG with a wrong checksum", {windows_path(damaged + "bad-crc.png")}, 1, "checksum", ""},
        {"a name the code page lacks is escaped, not a look-alike", {win("latin")}, 1, "caf\\u00E9.bmp", ""},
        {"a relative entry is taken from the program's folder", {"img\\red.bmp"}, 0, "", win("img/red.bmp")},
        {"a folder entry: one of its pictures, never a hidden one", {win("アルバム")}, 0, "", win("アルバム/夏/海.bmp")},
        {"no settings file", {}, -1, "", "", [](const std::string& p) { std::filesystem::remove(p); }},
        {"settings larger than 256 MiB", {}, -1, "256 MiB", "", [](const std::string& p) { std::filesystem::resize_file(p, (std::uintmax_t{256} << 20) + 1); }},
        {"settings in a named pipe", {}, -1, "k_save.dat", "", [](const std::string& p) { std::filesystem::remove(p); mkfifo(p.c_str(), 0600); }},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string before = wine().wallpaper();
        folder.write_settings("1", c.entries);
        if (c.settings)
            c.settings(file("k_save.dat"));
        MapWatcher watcher(wine().server.display());
        Finished done =
            wine().run(folder.exe, {"/e"}, c.exit_code < 0 ? 8000 : 60000); // from the test's folder
        EXPECT_EQ(watcher.window_mapped_within(0), c.exit_code < 0) << "the window";
        EXPECT_EQ(done.exit_code, c.exit_code) << done.err;
        EXPECT_NE(from_cp932(done.err).find(c.says), std::string::npos) << done.err;
        EXPECT_TRUE(c.says.empty() || !(c.says.front() & 0x80) || done.err.find(c.says) == std::string::npos)
            << "written as UTF-8";
        EXPECT_EQ(wine().wallpaper(), c.wallpaper.empty() ? before : c.wallpaper);
    }
}

TEST(WindowsProgram, RotationChangesTheRegistryEveryIntervalOncePerSession) {
    ProgramFolder folder(5);
    folder.write_settings("0.5", folder.pictures);
    std::vector<std::string> args{wine().prefix, folder.exe, "/s"};
    Process rotating(wine_run, args, wine().env());
    std::string last = wine().wallpaper();
    int changes = 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // wine starting the program
    wait_for(
        [&] {
            std::string now = wine().wallpaper();
            changes += now != last;
            last = now;
            return false;
        },
        3000, 0);
    EXPECT_GE(changes, 2);
    // A second "/s" shows the first one's window and ends, leaving one rotation.
    Finished second = wine().run(folder.exe, {"/s"}, 20000);
    EXPECT_EQ(second.exit_code, 0) << second.err;
    EXPECT_NE(second.err.find("already runs"), std::string::npos) << second.err;
    EXPECT_TRUE(rotating.still_running());
    rotating.finish(0);
}

TEST(WindowsProgram, TheWindowStepsAndSavesFromTheKeyboard) {
    ProgramFolder folder;
    folder.write_settings("5", folder.pictures);
    // Left by saves killed before their rename: the old one goes with the next save; one written
    // in the last minute may belong to a save under way and stays.
    std::string stale = folder.dir.file("k_save.dat.4242-1000.tmp"),
                recent = folder.dir.file("k_save.dat.4343-2000.tmp");
    write_file(stale, "half");
    write_file(recent, "half");
    std::filesystem::last_write_time(stale,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    MapWatcher watcher(wine().server.display());
    std::vector<std::string> args{wine().prefix, folder.exe};
    Process window(wine_run, args, wine().env());
    ASSERT_TRUE(watcher.window_mapped_within(30000));
    ShownWindow shown = shown_window(wine().server.display(), "^Form1$");
    ASSERT_FALSE(shown.id.empty());
    EXPECT_EQ(shown.width, 449);
    EXPECT_EQ(shown.height, 213);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    QImage shot = grab_screen_area(wine().server.display(), shown.x, shown.y, 449, 213);
    shot.save(QString::fromLatin1(WALLCYCLE_BINARY_DIR "/window-windows.png"));

    // The focus starts on 追加; four tabs reach ↑, two more 設定の保存.
    xdotool(wine().server.display(),
            "windowfocus --sync " + shown.id + " key --delay 100 Tab Tab Tab Tab space Tab Tab space");
    std::string saved;
    wait_for([&] { return (saved = read_file(folder.dir.file("k_save.dat"))).rfind("\"6\"", 0) == 0; }, 5000);
    EXPECT_EQ(saved.substr(0, 5), "\"6\"\r\n") << saved;
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(recent));
    window.finish(0);
}

} // namespace
