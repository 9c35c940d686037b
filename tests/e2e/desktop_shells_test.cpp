// "wallcycle /e" on the real desktop shells, each in a private session under Xvfb, found by
// detection from XDG_CURRENT_DESKTOP as a user's session names it; what the shell draws is read
// back from the screen.

#include "platform/child_process_linux.h"
#include "platform/text_encoding.h"
#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"
#include "wallpaper/backends/x11_desktop_window.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

std::string command_output(const std::string& command) {
    return run("/bin/sh", {"-c", command}).out;
}

// GNOME starts in the overview, which hides the background: once it is there, leave it.
bool gnome_left_the_overview() {
    auto overview = [](const std::string& call) {
        return command_output("gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m "
                              "org.freedesktop.DBus.Properties." +
                              call + " org.gnome.Shell OverviewActive" + (call == "Set" ? " '<false>'" : "") +
                              " 2>/dev/null");
    };
    if (!wait_for([&] { return overview("Get").find("true") != std::string::npos; }, 10000))
        return false;
    overview("Set");
    return wait_for([&] { return overview("Get").find("false") != std::string::npos; }, 5000);
}

enum class Shell { Xfce, Lxde, Lxqt, Mate, Cinnamon, Kde, Gnome };

// A private desktop session for one test: an X server, home folders, a session bus and one real
// desktop shell, each started here and stopped when done (with everything that ran in this home).
class DesktopSession {
public:
    static constexpr int width = 1280, height = 800;

    DesktopSession() {
        // Set before the bus starts: the services it starts inherit this environment.
        use_private_home(dir_.file("home"));
        setenv("DISPLAY", server_.display().c_str(), 1);
        bus_ = std::make_unique<DbusSession>();
    }
    ~DesktopSession() {
        for (int round = 0; round < 2; ++round) { // what a dying shell starts on its way out, too
            for (int pid :
                 processes_marked("", "HOME=" + dir_.file("home"))) // the shells and what they started
                kill(pid, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (pid_t pid : started_)
            waitpid(pid, nullptr, 0);
        bus_.reset();
    }
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Starts the desktop's own programs and waits until it draws its background; throws when it
    // does not come up within a minute.
    void start(Shell shell) {
        struct Program {
            std::vector<std::string> argv;
            std::map<std::string, std::string> env = {};
        };
        struct Start {
            Shell shell;
            std::vector<Program> programs;
            const char* bus_name;     // up once it owns this name on the session bus
            const char* window_class; // or once it shows a desktop window of this class
        };
        const std::map<std::string, std::string> gl{{"LIBGL_ALWAYS_SOFTWARE", "1"}},
            kde{{"LIBGL_ALWAYS_SOFTWARE", "1"}, {"KDE_FULL_SESSION", "true"}, {"KDE_SESSION_VERSION", "5"}},
            gnome{{"LIBGL_ALWAYS_SOFTWARE", "1"},
                  {"XDG_SESSION_TYPE", "x11"},
                  {"DBUS_SYSTEM_BUS_ADDRESS", std::getenv("DBUS_SESSION_BUS_ADDRESS")}};
        // Without a window manager xfdesktop leaves its window unmapped. Cinnamon's background daemon
        // waits for the session manager (a stand-in here: the real gnome-session needs a whole login)
        // to say the session runs.
        const Start starts[] = {
            // clang-format off
            {Shell::Xfce, {{{"xfwm4", "--compositor=off", "--sm-client-disable"}}, {{"xfdesktop", "--sm-client-disable"}}}, "org.xfce.xfdesktop", nullptr},
            {Shell::Lxde, {{{"pcmanfm", "--desktop"}}}, nullptr, "Pcmanfm"},
            {Shell::Lxqt, {{{"pcmanfm-qt", "--desktop", "--profile=lxqt"}}}, nullptr, "pcmanfm-qt"},
            {Shell::Mate, {{{"caja", "-n", "--force-desktop"}}}, "org.mate.Caja", nullptr},
            {Shell::Cinnamon, {{{WALLCYCLE_FAKE_SESSION_MANAGER}}, {{"cinnamon", "--sm-disable", "--x11"}, gl}, {{"csd-background"}}}, "org.Cinnamon", nullptr},
            {Shell::Kde, {{{"plasmashell"}, kde}}, "org.kde.plasmashell", nullptr},
            {Shell::Gnome, {{{"gnome-shell", "--x11", "--sm-disable"}, gnome}}, "org.gnome.Shell", nullptr},
            // clang-format on
        };
        const Start& start =
            *std::find_if(std::begin(starts), std::end(starts), [&](auto& s) { return s.shell == shell; });
        for (const Program& program : start.programs)
            spawn(program.argv, program.env);
        auto ready = [&] {
            if (start.window_class != nullptr)
                return desktop_window_shown(start.window_class);
            if (!name_owned(start.bus_name))
                return false;
            if (shell ==
                Shell::Cinnamon) // its background follows the settings once the shell says it started
                return root_pixmap_property(display(), "_XROOTPMAP_ID") != 0 &&
                       read_file(dir_.file("cinnamon.log")).find("Cinnamon took") != std::string::npos;
            return shell != Shell::Gnome || gnome_left_the_overview();
        };
        if (!wait_for(ready, 60000))
            throw std::runtime_error("the desktop did not come up; see the logs in " + dir_.path());
        std::this_thread::sleep_for(std::chrono::seconds(1)); // its first paint
    }

    const std::string& display() const { return server_.display(); }
    const TempDir& folder() const { return dir_; }
    // The last lines each program of the session wrote, to tell what went wrong when a check fails.
    std::string log_tails() const { return command_output("tail -c 1500 " + dir_.path() + "/*.log"); }
    // Waits until the screen shows these colours at these points; false after the timeout.
    bool shows(const std::vector<std::pair<std::pair<int, int>, std::uint32_t>>& points,
               int timeout_ms) const {
        return wait_for(
            [&] {
                for (const auto& [at, colour] : points)
                    if (!colours_near(root_pixel(display(), at.first, at.second), colour, 8))
                        return false;
                return true;
            },
            timeout_ms);
    }

private:
    // One program of the session, its output going to a log file in the session's folder.
    void spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {}) {
        std::string log = dir_.file(std::filesystem::path(argv.at(0)).filename().string() + ".log");
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        started_.push_back(wallcycle::test::spawn(argv, env, fd, fd));
        close(fd);
    }
    bool name_owned(const std::string& name) const {
        return command_output("gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m "
                              "org.freedesktop.DBus.NameHasOwner " +
                              name + " 2>/dev/null")
                   .find("true") != std::string::npos;
    }

    TempDir dir_;
    Xvfb server_{width, height};
    std::unique_ptr<DbusSession> bus_;
    std::vector<pid_t> started_;
};

constexpr std::uint32_t blue = 0x1144ee, green = 0x22bb33, yellow = 0xffdd00, red = 0xdd2211,
                        magenta = 0xcc22aa, cyan = 0x22ccdd;

// A 400x400 picture with its top quarter in another colour, on a 1280x800 screen: covering it
// leaves a strip of 80 rows at the top (blue at y 60, green at y 150); stretched or fitted, the
// top colour reaches y 150 too. The points are clear of GNOME's top bar and the notices it drops
// from the top's middle, and of Cinnamon's panel.
std::vector<std::pair<std::pair<int, int>, std::uint32_t>> covering(std::uint32_t top, std::uint32_t rest) {
    return {{{150, 60}, top}, {{150, 150}, rest}, {{1130, 60}, top}, {{100, 400}, rest}, {{1180, 700}, rest}};
}

// "/e" with a list of one picture, in a session whose XDG_CURRENT_DESKTOP is the one given.
Finished apply_once(const ProgramCopy& program, const std::string& picture, const char* current_desktop,
                    int timeout_ms = 30000) {
    program.write_list("1", {picture});
    return run(program.path, {"/e"}, ProgramCopy::session({{"XDG_CURRENT_DESKTOP", current_desktop}}),
               timeout_ms);
}

// Each shell found from XDG_CURRENT_DESKTOP as its session names it. On XFCE, between the steps
// the user picks the style "None", which hides the picture: the next set must show it again.
struct ShellCase {
    const char* name;
    Shell shell;
    const char* current_desktop;
    void (*between)(DesktopSession&) = nullptr;
};
class DesktopShells : public testing::TestWithParam<ShellCase> {};
// Set; covering the screen; the same file edited in place is drawn anew; a path with blanks,
// Japanese and URI-special characters; a name in bytes that are not UTF-8; every format the program reads,
// most of which the desktop itself does not (it is handed a picture made for it), one of them edited in place
// too.
TEST_P(DesktopShells, SetsTheWallpaper) {
    const auto [name, shell, current_desktop, between] = GetParam();
    DesktopSession session;
    session.start(shell);
    ProgramCopy program(session.folder().file("program"));
    std::string plain = session.folder().file("picture.png");
    std::string folder = session.folder().file("壁紙 テスト");
    std::filesystem::create_directories(folder);
    std::string special = folder + "/桜 #1 100%.png";
    const std::tuple<const char*, std::string, std::uint32_t, std::uint32_t> steps[] = {
        {"a picture", plain, blue, green},
        {"the same file, edited", plain, yellow, red},
        {"blanks, Japanese, # and %", special, magenta, cyan},
        {"a name that is not UTF-8 (Latin-1)", folder + "/caf\xE9.png", yellow, green},
        {"WebP", folder + "/p.webp", green, blue},
        {"WebP, edited", folder + "/p.webp", red, yellow},
        {"TIFF", folder + "/p.tiff", blue, green},
        {"SVG", folder + "/p.svg", cyan, magenta},
        {"HEIC", folder + "/p.heic", yellow, blue},
        {"AVIF", folder + "/p.avif", green, red},
        {"JPEG XL", folder + "/p.jxl", magenta, green},
        {"GIF", folder + "/p.gif", blue, yellow},
        {"PPM", folder + "/p.ppm", red, cyan},
    };
    for (const auto& [what, picture, top, rest] : steps) {
        SCOPED_TRACE(what);
        // Qt's writer takes a name as text: a name that is none is given afterwards.
        std::string written =
            wallcycle::is_valid_utf8(picture) ? picture : session.folder().file("latin1.png");
        write_banded_image(written, top, rest, 400, 400);
        std::filesystem::rename(written, picture);
        Finished done = apply_once(program, picture, current_desktop);
        EXPECT_EQ(done.exit_code, 0) << done.err;
        EXPECT_EQ(done.err.find("instead"), std::string::npos) << "fell back: " << done.err;
        EXPECT_TRUE(session.shows(covering(top, rest), 20000))
            << std::hex << root_pixel(session.display(), 150, 60) << " "
            << root_pixel(session.display(), 150, 150) << " " << root_pixel(session.display(), 1130, 60)
            << std::dec << "\n"
            << done.err << session.log_tails();
        if (between != nullptr)
            between(session);
    }
    // Of the pictures made for the desktop, only the one it shows stays.
    std::size_t made = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(session.folder().file("home")))
        made += entry.path().filename().string().find("-wallpaper-") != std::string::npos;
    EXPECT_EQ(made, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Each, DesktopShells,
    testing::Values(ShellCase{"Xfce", Shell::Xfce, "XFCE",
                              [](DesktopSession&) {
                                  run("/bin/sh",
                                      {"-c",
                                       "for p in $(xfconf-query -c xfce4-desktop -l | grep "
                                       "image-style); do xfconf-query -c xfce4-desktop -p $p -s 0; done"});
                              }},
                    ShellCase{"Lxde", Shell::Lxde, "LXDE"}, ShellCase{"Lxqt", Shell::Lxqt, "LXQt"},
                    ShellCase{"Mate", Shell::Mate, "MATE"},
                    ShellCase{"Cinnamon", Shell::Cinnamon, "X-Cinnamon"}, ShellCase{"Kde", Shell::Kde, "KDE"},
                    ShellCase{"Gnome", Shell::Gnome, "ubuntu:GNOME"}),
    [](const testing::TestParamInfo<ShellCase>& info) { return std::string(info.param.name); });

// At login an autostart "/e" may run before plasmashell is on the bus: it waits for Plasma and
// sets the picture there, where Plasma's own default would otherwise cover it.
TEST(DesktopShellsAtLogin, KdeComingUpAfterTheProgramStarts) {
    DesktopSession session;
    ProgramCopy program(session.folder().file("program"));
    std::string picture = session.folder().file("picture.png");
    write_banded_image(picture, blue, green, 400, 400);
    program.write_list("1", {picture});
    Process waiting(program.path, {"/e"}, ProgramCopy::session({{"XDG_CURRENT_DESKTOP", "KDE"}}));
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_TRUE(waiting.still_running()) << "did not wait for Plasma";
    session.start(Shell::Kde);
    Finished done = waiting.finish(40000);
    EXPECT_EQ(done.exit_code, 0) << done.err;
    EXPECT_EQ(done.err.find("instead"), std::string::npos) << done.err;
    EXPECT_TRUE(session.shows(covering(blue, green), 20000)) << done.err << session.log_tails();
    std::this_thread::sleep_for(std::chrono::seconds(3)); // Plasma's own first paint is long done
    EXPECT_TRUE(session.shows(covering(blue, green), 0)) << session.log_tails();
}

// A session named LXDE without its pcmanfm desktop: "pcmanfm --set-wallpaper" would become the
// desktop itself and never end. The wait is bounded; then the root window, which is what the user
// sees, gets the picture, and stderr says so. Nothing is left running.
TEST(DesktopShellsAtLogin, LxdeWithoutItsDesktopEndsOnTheRootWindow) {
    DesktopSession session;
    ProgramCopy program(session.folder().file("program"));
    std::string picture = session.folder().file("picture.png");
    write_banded_image(picture, blue, green, 400, 400);
    auto started = std::chrono::steady_clock::now();
    Finished done = apply_once(program, picture, "LXDE", 60000);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(done.exit_code, 0) << done.err;
    EXPECT_LT(took, std::chrono::seconds(40));
    EXPECT_NE(done.err.find("x11 instead"), std::string::npos) << done.err;
    EXPECT_NE(done.err.find("no pcmanfm desktop"), std::string::npos) << done.err;
    EXPECT_TRUE(session.shows(covering(blue, green), 5000));
    EXPECT_EQ(run("/bin/sh", {"-c", "! pgrep -x pcmanfm"}).exit_code, 0) << "pcmanfm left running";
}

} // namespace
