// The Windows program (cross-built) under wine, with its window on a private Xvfb: a Japanese
// system (code page 932) with a settings file written by one.

#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/screenshot.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"
#include "tests/support/xdotool.h"
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
    char* in = const_cast<char*>(text.data());
    size_t in_left = text.size(), out_left = out.size();
    char* at = out.data();
    iconv(converter, &in, &in_left, &at, &out_left);
    iconv_close(converter);
    out.resize(out.size() - out_left);
    return out;
}

std::string to_cp932(const std::string& utf8) {
    return converted(utf8, "UTF-8", "CP932");
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
        std::string text = "\"" + interval + "\"\r\n";
        for (const auto& entry : entries)
            text += "\"" + entry + "\"\r\n";
        write_file(dir.file("k_save.dat"), to_cp932(text));
    }
};

TEST(WindowsProgram, ApplyOnceSetsTheRegistryFromACodePage932List) {
    ProgramFolder folder;
    folder.write_settings("1", folder.pictures);
    Finished done = wine().run(folder.exe, {"/e"});
    ASSERT_EQ(done.exit_code, 0) << done.err;
    std::string set = wine().wallpaper();
    EXPECT_TRUE(set == folder.pictures[0] || set == folder.pictures[1]) << set;
}

TEST(WindowsProgram, NothingToSetLeavesTheRegistryAlone) {
    ProgramFolder folder;
    folder.write_settings("1", {folder.pictures[0]});
    ASSERT_EQ(wine().run(folder.exe, {"/e"}).exit_code, 0);
    std::string before = wine().wallpaper();

    folder.write_settings("1", {}); // an empty list
    Finished done = wine().run(folder.exe, {"/e"});
    EXPECT_EQ(done.exit_code, 1);
    EXPECT_NE(done.err.find("list is empty"), std::string::npos) << done.err;
    EXPECT_EQ(wine().wallpaper(), before);

    // Pictures that are not there or no pictures, and damaged ones, which GDI+ would show with grey
    // or black parts: every byte is looked at before Windows is asked.
    std::string bmp = read_file(folder.dir.file("桜.bmp"));
    write_split_image(folder.dir.file("photo.jpg"), 0xdd2211, 0x1144ee, 400, 300);
    write_split_image(folder.dir.file("photo.png"), 0xdd2211, 0x1144ee, 400, 300);
    std::string jpeg = read_file(folder.dir.file("photo.jpg")), png = read_file(folder.dir.file("photo.png"));
    std::string bad_crc = png;
    bad_crc[png.find("IDAT") + 100] ^= 0x55;
    std::string claims = bmp.substr(0, 70); // a 70-byte file whose header says 10000x10000
    for (int at : {18, 22})
        claims.replace(static_cast<std::size_t>(at), 4, std::string("\x10\x27\0\0", 4));
    struct Unusable {
        const char* file;
        std::string bytes;
        const char* says;
    } unusable[] = {
        {"gone/gone.bmp", "", "gone.bmp"},
        {"broken.bmp", "BM but not a picture", "broken.bmp"},
        {"半分.bmp", bmp.substr(0, bmp.size() / 2), "cut short"},
        {"claims.bmp", claims, "cut short"},
        {"cut.jpg", jpeg.substr(0, jpeg.size() / 3), "damaged"},
        {"cut.png", png.substr(0, png.size() * 3 / 4), "damaged"},
        {"bad-crc.png", bad_crc, "checksum"},
    };
    for (const auto& d : unusable) {
        if (!d.bytes.empty())
            write_file(folder.dir.file(d.file), d.bytes);
        folder.write_settings("1", {windows_path(folder.dir.file(d.file))});
        done = wine().run(folder.exe, {"/e"});
        EXPECT_EQ(done.exit_code, 1) << d.file;
        EXPECT_NE(from_cp932(done.err).find(d.says), std::string::npos) << d.file << ": " << done.err;
        EXPECT_EQ(wine().wallpaper(), before) << d.file;
    }

    std::filesystem::remove(folder.dir.file("k_save.dat")); // no settings: the window opens instead
    Finished window = wine().run(folder.exe, {"/e"}, 4000);
    EXPECT_EQ(window.exit_code, -1) << "expected the window to stay open";
    EXPECT_EQ(wine().wallpaper(), before);
}

// Messages reach a redirected stderr in the system's code page, as everything else there reads
// text; a relative entry is taken from the program's folder, where the settings file lives.
TEST(WindowsProgram, MessagesInTheCodePageAndRelativeEntriesFromTheProgramFolder) {
    ProgramFolder folder;
    folder.write_settings("1", {"Z:\\nowhere\\桜がない.bmp"});
    Finished done = wine().run(folder.exe, {"/e"});
    EXPECT_EQ(done.exit_code, 1);
    EXPECT_NE(from_cp932(done.err).find("桜がない.bmp"), std::string::npos) << done.err;
    EXPECT_EQ(done.err.find("桜がない.bmp"), std::string::npos) << "written as UTF-8";
    // A character the code page lacks is escaped, never written as a look-alike of another name.
    // (Found in a folder: the list itself holds only what code page 932 can write.)
    std::filesystem::create_directory(folder.dir.file("latin"));
    write_file(folder.dir.file("latin/café.bmp"), "BM but damaged");
    folder.write_settings("1", {windows_path(folder.dir.file("latin"))});
    done = wine().run(folder.exe, {"/e"});
    EXPECT_NE(done.err.find("caf\\u00E9.bmp"), std::string::npos) << done.err;

    std::filesystem::create_directory(folder.dir.file("img"));
    write_solid_image(folder.dir.file("img/red.bmp"), 0xdd2211, 32, 24);
    folder.write_settings("1", {"img\\red.bmp"});
    done = wine().run(folder.exe, {"/e"}); // started from the test's folder, not the program's
    EXPECT_EQ(done.exit_code, 0) << done.err;
    EXPECT_EQ(wine().wallpaper(), windows_path(folder.dir.file("img/red.bmp")));
}

// A folder entry stands for the pictures in it and its subfolders; hidden ones and other files are
// passed over.
TEST(WindowsProgram, AFolderEntrySetsOneOfItsPictures) {
    ProgramFolder folder(0);
    std::string album = folder.dir.file("アルバム");
    std::filesystem::create_directories(album + "/夏");
    std::filesystem::create_directories(album + "/.hidden");
    write_solid_image(album + "/夏/海.bmp", 0x2255aa, 32, 24);
    write_solid_image(album + "/.hidden/隠し.bmp", 0x2255aa, 32, 24);
    write_file(album + "/メモ.txt", "not a picture");
    folder.write_settings("1", {windows_path(album)});
    for (int i = 0; i < 3; ++i) {
        Finished done = wine().run(folder.exe, {"/e"});
        ASSERT_EQ(done.exit_code, 0) << done.err;
        EXPECT_EQ(wine().wallpaper(), windows_path(album + "/夏/海.bmp"));
    }
}

// A settings file that cannot be read opens the window (and never hangs), the wallpaper untouched.
TEST(WindowsProgram, SettingsThatCannotBeReadOpenTheWindow) {
    ProgramFolder folder;
    folder.write_settings("1", {folder.pictures[0]});
    ASSERT_EQ(wine().run(folder.exe, {"/e"}).exit_code, 0);
    std::string before = wine().wallpaper();
    std::string path = folder.dir.file("k_save.dat");
    struct Case {
        const char* name;
        void (*make)(const std::string& path);
        const char* says;
    } cases[] = {
        {"larger than 256 MiB",
         [](const std::string& p) { std::filesystem::resize_file(p, (std::uintmax_t{256} << 20) + 1); },
         "256 MiB"},
        {"a named pipe",
         [](const std::string& p) {
             std::filesystem::remove(p);
             mkfifo(p.c_str(), 0600);
         },
         "k_save.dat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(path);
        MapWatcher watcher(wine().server.display());
        std::vector<std::string> args{wine().prefix, folder.exe, "/e"};
        Process program(wine_run, args, wine().env());
        EXPECT_TRUE(watcher.window_mapped_within(30000)) << "no window";
        Finished done = program.finish(0);
        EXPECT_NE(done.err.find(c.says), std::string::npos) << done.err;
        EXPECT_EQ(wine().wallpaper(), before);
    }
}

TEST(WindowsProgram, RotationChangesTheRegistryEveryInterval) {
    ProgramFolder folder(5);
    folder.write_settings("0.5", folder.pictures);
    std::vector<std::string> args{wine().prefix, folder.exe, "/s"};
    Process rotating(wine_run, args, wine().env());
    std::string last = wine().wallpaper();
    int changes = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::this_thread::sleep_for(std::chrono::milliseconds(800)); // wine starting the program
    deadline += std::chrono::milliseconds(800);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string now = wine().wallpaper();
        if (now != last) {
            ++changes;
            last = now;
        }
    }
    rotating.finish(0);
    EXPECT_GE(changes, 2);
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
