// Desktops driven through their own programs: sway (the real compositor, headless) and LXQt/LXDE.
// pcmanfm-qt and pcmanfm need a whole desktop session to show anything, so stand-ins placed
// first on PATH record the arguments they are given.

#include "tests/support/images.h"
#include "tests/support/sway_session.h"
#include "tests/support/temp_dir.h"
#include "wallpaper/backend_loader.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <thread>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, std::string>> values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            if (value.empty())
                unsetenv(name);
            else
                setenv(name, value.c_str(), 1);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
    }

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

// A stand-in program that logs its arguments, one bracketed field each, one call per line.
void write_stub(const std::string& dir, const std::string& name, const std::string& extra = "") {
    std::string path = dir + "/" + name;
    write_file(path, "#!/bin/sh\n"
                     "{ for a in \"$@\"; do printf '[%s]' \"$a\"; done; echo; } >> \"$STUB_LOG\"\n" +
                         extra +
                         "[ \"${STUB_EXIT:-0}\" = 0 ] || echo \"$0: cannot reach the desktop\" >&2\n" +
                         "exit ${STUB_EXIT:-0}\n");
    chmod(path.c_str(), 0755);
}

// pcmanfm-qt keeps the picture in its settings; the stand-in does too, as the real one would.
const std::string remembers_picture =
    "while [ $# -gt 0 ]; do\n"
    "  if [ \"$1\" = --set-wallpaper ]; then\n"
    "    mkdir -p \"$XDG_CONFIG_HOME/pcmanfm-qt/lxqt\"\n"
    "    printf '[Desktop]\\nWallpaper=%s\\n' \"$2\" > \"$XDG_CONFIG_HOME/pcmanfm-qt/lxqt/settings.conf\"\n"
    "  fi\n"
    "  shift\n"
    "done\n";

TEST(LxqtLxde, TheirProgramsAreCalledWithThePicture) {
    TempDir dir;
    std::string bin = dir.path() + "/bin";
    std::filesystem::create_directory(bin);
    write_stub(bin, "pcmanfm-qt", remembers_picture);
    write_stub(bin, "pcmanfm");
    std::string picture = dir.file("two words.png");
    write_solid_image(picture, red);
    ScopedEnvironment env{{"PATH", bin + ":" + std::getenv("PATH")},
                          {"STUB_LOG", dir.file("log")},
                          {"XDG_CONFIG_HOME", dir.file("config")}};
    struct Case {
        const char* backend;
        std::string expected_log;
    } cases[] = {
        {"lxqt", "[--set-wallpaper][" + picture + "][--wallpaper-mode][zoom]\n"},
        // The picture it already shows: a passing change of mode makes it reload the file.
        {"lxqt", "[--wallpaper-mode][stretch]\n[--set-wallpaper][" + picture + "][--wallpaper-mode][zoom]\n"},
        {"lxde", "[--set-wallpaper][" + picture + "][--wallpaper-mode][crop]\n"},
    };
    for (const auto& c : cases) {
        write_file(dir.file("log"), "");
        auto backend = make_backend(c.backend);
        ASSERT_TRUE(backend->can_run().ok()) << c.backend;
        Status applied = backend->apply(picture);
        ASSERT_TRUE(applied.ok()) << c.backend << ": " << applied.reason();
        EXPECT_EQ(read_file(dir.file("log")), c.expected_log) << c.backend;
    }
}

TEST(LxqtLxde, FailuresAreReported) {
    TempDir dir;
    std::string bin = dir.path() + "/bin";
    std::filesystem::create_directory(bin);
    write_stub(bin, "pcmanfm");
    std::string picture = dir.file("p.png");
    write_solid_image(picture, red);
    {
        ScopedEnvironment env{{"PATH", bin}, {"STUB_LOG", dir.file("log")}, {"STUB_EXIT", "3"}};
        Status applied = make_backend("lxde")->apply(picture);
        EXPECT_FALSE(applied.ok());
        EXPECT_NE(applied.reason().find("exit status 3"), std::string::npos) << applied.reason();
        EXPECT_NE(applied.reason().find("cannot reach the desktop"), std::string::npos) << applied.reason();
        Status usable = make_backend("lxqt")->can_run();
        EXPECT_FALSE(usable.ok());
        EXPECT_NE(usable.reason().find("pcmanfm-qt"), std::string::npos) << usable.reason();
        // A broken picture never reaches the program.
        write_file(dir.file("log"), "");
        write_file(dir.file("broken.png"), "no");
        EXPECT_FALSE(make_backend("lxde")->apply(dir.file("broken.png")).ok());
        EXPECT_EQ(read_file(dir.file("log")), "");
    }
}

bool shows_within(const SwaySession& sway, std::uint32_t colour, int milliseconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (colours_near(sway.pixel(400, 300), colour))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
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
