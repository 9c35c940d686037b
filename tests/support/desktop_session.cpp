#include "tests/support/desktop_session.h"

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "wallpaper/backends/x11_outputs.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace wallcycle::test {
namespace {

std::string home_of(const TempDir& dir) {
    return dir.file("home");
}

// Every process whose environment names this home: the shells and whatever they started.
std::vector<pid_t> processes_of(const std::string& home) {
    std::vector<pid_t> found;
    std::string marker = "HOME=" + home;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        pid_t pid = std::atoi(entry.path().filename().c_str());
        if (pid <= 0 || pid == getpid())
            continue;
        std::ifstream environment(entry.path() / "environ", std::ios::binary);
        std::string variable;
        while (std::getline(environment, variable, '\0'))
            if (variable == marker) {
                found.push_back(pid);
                break;
            }
    }
    return found;
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
        for (pid_t pid : processes_of(home_of(dir_)))
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

void DesktopSession::start(Shell shell) {
    const std::map<std::string, std::string> software_gl{{"LIBGL_ALWAYS_SOFTWARE", "1"}};
    std::function<bool()> ready;
    switch (shell) {
    case Shell::None:
        return;
    case Shell::Xfce:
        // Without a window manager xfdesktop leaves its window unmapped.
        spawn({"xfwm4", "--compositor=off", "--sm-client-disable"});
        spawn({"xfdesktop", "--sm-client-disable"});
        ready = [this] { return name_owned("org.xfce.xfdesktop"); };
        break;
    case Shell::Lxde:
        spawn({"pcmanfm", "--desktop"});
        ready = [] { return desktop_window_shown("Pcmanfm"); };
        break;
    case Shell::Lxqt:
        spawn({"pcmanfm-qt", "--desktop", "--profile=lxqt"});
        ready = [] { return desktop_window_shown("pcmanfm-qt"); };
        break;
    case Shell::Mate:
        spawn({"caja", "-n", "--force-desktop"});
        ready = [this] { return name_owned("org.mate.Caja"); };
        break;
    case Shell::Cinnamon:
        // Cinnamon's background daemon waits for the session manager (a stand-in here: the real
        // gnome-session needs a whole login) to say the session runs.
        spawn({WALLCYCLE_FAKE_SESSION_MANAGER});
        spawn({"cinnamon", "--sm-disable", "--x11"}, software_gl);
        spawn({"csd-background"});
        // Its background follows the settings only once the shell says it has started.
        ready = [this] {
            return name_owned("org.Cinnamon") && root_pixmap_property(display(), "_XROOTPMAP_ID") != 0 &&
                   read_file(dir_.file("cinnamon.log")).find("Cinnamon took") != std::string::npos;
        };
        break;
    case Shell::Kde:
        spawn({"plasmashell"},
              {{"LIBGL_ALWAYS_SOFTWARE", "1"}, {"KDE_FULL_SESSION", "true"}, {"KDE_SESSION_VERSION", "5"}});
        ready = [this] { return name_owned("org.kde.plasmashell"); };
        break;
    case Shell::Gnome:
        spawn({"gnome-shell", "--x11", "--sm-disable"},
              {{"LIBGL_ALWAYS_SOFTWARE", "1"},
               {"XDG_SESSION_TYPE", "x11"},
               {"DBUS_SYSTEM_BUS_ADDRESS", std::getenv("DBUS_SESSION_BUS_ADDRESS")}});
        // It starts in the overview, which hides the background: once it is there, leave it.
        ready = [this] {
            auto overview = [] {
                return command_output("gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m "
                                      "org.freedesktop.DBus.Properties.Get org.gnome.Shell OverviewActive "
                                      "2>/dev/null");
            };
            if (!name_owned("org.gnome.Shell") ||
                !wait_for([&] { return overview().find("true") != std::string::npos; }, 10000))
                return false;
            command_output(
                "gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m "
                "org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive '<false>' 2>&1");
            return wait_for([&] { return overview().find("false") != std::string::npos; }, 5000);
        };
        break;
    }
    if (!wait_for(ready, 60000))
        throw std::runtime_error("the desktop did not come up; see the logs in " + dir_.path());
    std::this_thread::sleep_for(std::chrono::seconds(1)); // its first paint
}

} // namespace wallcycle::test
