#include "tests/support/desktop_session.h"

#include "platform/child_process.h"
#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "wallpaper/backends/x11_outputs.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace wallcycle::test {
namespace {

std::string home_of(const TempDir& dir) {
    return dir.file("home");
}

std::string command_output(const std::string& command) {
    return run("/bin/sh", {"-c", command}).out;
}

} // namespace

DesktopSession::DesktopSession() {
    // Set before the bus starts: the services it starts inherit this environment.
    use_private_home(home_of(dir_));
    setenv("DISPLAY", server_.display().c_str(), 1);
    bus_ = std::make_unique<DbusSession>();
}

DesktopSession::~DesktopSession() {
    for (int round = 0; round < 2; ++round) { // what a dying shell starts on its way out, too
        for (int pid : processes_marked("", "HOME=" + home_of(dir_))) // the shells and what they started
            kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    for (pid_t pid : started_)
        waitpid(pid, nullptr, 0);
    bus_.reset();
}

void DesktopSession::spawn(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& env) {
    std::string log = dir_.file(std::filesystem::path(argv.at(0)).filename().string() + ".log");
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    started_.push_back(test::spawn(argv, env, fd, fd));
    close(fd);
}

std::string DesktopSession::log_tails() const {
    std::string tails;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
        if (entry.path().extension() != ".log")
            continue;
        std::string text = read_file(entry.path().string());
        std::size_t from = text.size() > 1500 ? text.size() - 1500 : 0;
        tails += "== " + entry.path().filename().string() + "\n" + text.substr(from) + "\n";
    }
    return tails;
}

bool DesktopSession::name_owned(const std::string& name) const {
    return command_output("gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m "
                          "org.freedesktop.DBus.NameHasOwner " +
                          name + " 2>/dev/null")
               .find("true") != std::string::npos;
}

bool DesktopSession::shows(const std::vector<std::pair<std::pair<int, int>, std::uint32_t>>& points,
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

// GNOME starts in the overview, which hides the background: once it is there, leave it.
static bool gnome_left_the_overview() {
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

void DesktopSession::start(Shell shell) {
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
        {Shell::None, {}, nullptr, nullptr},
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
    if (start.programs.empty())
        return;
    for (const Program& program : start.programs)
        spawn(program.argv, program.env);
    auto ready = [&] {
        if (start.window_class != nullptr)
            return desktop_window_shown(start.window_class);
        if (!name_owned(start.bus_name))
            return false;
        if (shell == Shell::Cinnamon) // its background follows the settings once the shell says it started
            return root_pixmap_property(display(), "_XROOTPMAP_ID") != 0 &&
                   read_file(dir_.file("cinnamon.log")).find("Cinnamon took") != std::string::npos;
        return shell != Shell::Gnome || gnome_left_the_overview();
    };
    if (!wait_for(ready, 60000))
        throw std::runtime_error("the desktop did not come up; see the logs in " + dir_.path());
    std::this_thread::sleep_for(std::chrono::seconds(1)); // its first paint
}

} // namespace wallcycle::test
