// wlroots compositors: the real sway, headless, read back with grim. (LXQt and LXDE, the other
// desktops driven through their own programs, are tested on their real shells with the others.)

#include "platform/child_process_linux.h"
#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"

#include "wallpaper/backend_loader.h"
#include <QImage>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

// A real sway compositor, headless, for one test: its own runtime folder, sockets and output.
class SwaySession {
public:
    // draws_own_background: sway starts swaybg itself for "output bg"; otherwise nobody does
    // until a program starts one.
    explicit SwaySession(bool draws_own_background) {
        chmod(dir_.path().c_str(), 0700);
        std::string config =
            "xwayland disable\n"
            "output HEADLESS-1 resolution 800x600\n" +
            std::string(draws_own_background ? "" : "swaybg_command -\n") +
            "exec sh -c 'echo \"$WAYLAND_DISPLAY $SWAYSOCK\" > \"$XDG_RUNTIME_DIR/ready\"'\n";
        write_file(dir_.file("config"), config);
        std::map<std::string, std::string> env{{"XDG_RUNTIME_DIR", dir_.path()},
                                               {"WLR_BACKENDS", "headless"},
                                               {"WLR_RENDERER", "pixman"},
                                               {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                               {"WAYLAND_DISPLAY", ""},
                                               {"DISPLAY", ""},
                                               {"SWAYSOCK", ""}};
        // sway will not run as root: in a user namespace of its own it does, and where namespaces are
        // refused (a chroot, a container) as an ordinary user, its runtime folder made that user's.
        std::vector<std::string> sway{"/usr/bin/sway", "-c", dir_.file("config")};
        std::string how = "sway";
        if (geteuid() == 0) {
            Finished probe = run("/usr/bin/unshare", {"--user", "/bin/true"});
            if (probe.exit_code == 0) {
                sway.insert(sway.begin(), {"/usr/bin/unshare", "--user"});
                how = "sway in a user namespace";
            } else {
                if (chown(dir_.path().c_str(), 65534, 65534) != 0)
                    throw std::runtime_error(
                        "sway cannot run here: it refuses root, user namespaces are refused (" + probe.err +
                        ") and its folder cannot be given to user 65534");
                sway.insert(sway.begin(),
                            {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
                how = "sway as user 65534 (user namespaces are refused here: " + probe.err + ")";
            }
        }
        sway_ =
            std::make_unique<Process>(sway[0], std::vector<std::string>(sway.begin() + 1, sway.end()), env);
        auto ready = [&] {
            std::istringstream said(read_file(dir_.file("ready")));
            return static_cast<bool>(said >> wayland_display_ >> swaysock_) || !sway_->still_running();
        };
        if (wait_for(ready, 10000, 20) && sway_->still_running())
            return;
        throw std::runtime_error(how + " did not start: " + sway_->finish(0).err);
    }

    const std::string& wayland_display() const { return wayland_display_; }
    const std::string& swaysock() const { return swaysock_; }
    const std::string& runtime_dir() const { return dir_.path(); }
    // The colour (0xRRGGBB) at a point of the output, from a grim screenshot.
    std::uint32_t pixel(int x, int y) const {
        std::string shot = dir_.file("shot.ppm");
        Finished done = run("/usr/bin/grim", {"-t", "ppm", shot},
                            {{"XDG_RUNTIME_DIR", dir_.path()}, {"WAYLAND_DISPLAY", wayland_display_}});
        QImage image(QString::fromStdString(shot));
        if (done.exit_code != 0 || image.isNull())
            throw std::runtime_error("grim failed: " + done.err);
        return image.pixel(x, y) & 0xffffff;
    }

private:
    TempDir dir_;
    std::unique_ptr<Process> sway_;
    std::string wayland_display_;
    std::string swaysock_;
};

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;

bool shows_within(const SwaySession& sway, std::uint32_t colour, int milliseconds) {
    return wait_for([&] { return colours_near(sway.pixel(400, 300), colour); }, milliseconds, 50);
}

// sway expands the path it is given as a shell would: no name may be expanded or run, and every
// name that is a file is shown.
TEST(Sway, SwayShowsEveryPictureItIsAskedForWhateverItsName) {
    SwaySession sway(true);
    TempDir dir;
    // sway may run as another user (where user namespaces are refused): it reads the pictures itself.
    std::filesystem::create_directories(dir.file("data/wallcycle"));
    chmod(dir.path().c_str(), 0755);
    ScopedEnvironment env{{"SWAYSOCK", sway.swaysock()},
                          {"WAYLAND_DISPLAY", sway.wayland_display()},
                          {"XDG_RUNTIME_DIR", sway.runtime_dir()},
                          {"XDG_DATA_HOME", dir.file("data")}};
    // clang-format off
    const char* names[] = {"first picture.png", "say \"cheese\".png", "$(cd;id>INJECTED).png", "`id>INJECTED`.png",
                           "$HOME.png", "*.png", "a;b,c.png", "it's (1) {x} & y|z.png", "line\nbreak.png",
                           "~tilde.png", "back\\slash.png", "plain.png"};
    // clang-format on
    auto backend = make_backend("sway");
    ASSERT_TRUE(backend->can_run().ok()) << backend->can_run().reason();
    std::uint32_t colour = red;
    for (const char* name : names) {
        colour = colour == red ? blue : red;
        write_solid_image(dir.file(name), colour);
        Status applied = backend->apply(dir.file(name));
        ASSERT_TRUE(applied.ok()) << name << ": " << applied.reason();
        EXPECT_TRUE(shows_within(sway, colour, 3000))
            << name << std::hex << " shows " << sway.pixel(400, 300);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("INJECTED")));
    EXPECT_FALSE(std::filesystem::exists(std::string(std::getenv("HOME")) + "/INJECTED"));
}

// The swaybg processes drawing on this compositor, found by what it alone gave them.
std::vector<int> swaybg_on(const SwaySession& compositor) {
    return processes_marked("swaybg", "XDG_RUNTIME_DIR=" + compositor.runtime_dir());
}

TEST(Sway, SwaybgShowsThePictureOnOtherCompositorsAndOnlyOneStays) {
    SwaySession compositor(false);
    TempDir dir;
    write_solid_image(dir.file("a.png"), red);
    write_solid_image(dir.file("b.png"), blue);
    // Found from WAYLAND_DISPLAY alone, as on a compositor without a setter of its own.
    ScopedEnvironment env{{"SWAYSOCK", ""},
                          {"WAYLAND_DISPLAY", compositor.wayland_display()},
                          {"DISPLAY", ""},
                          {"XDG_RUNTIME_DIR", compositor.runtime_dir()},
                          {"XDG_CURRENT_DESKTOP", "niri"},
                          {"DESKTOP_SESSION", ""},
                          {"WALLCYCLE_BACKEND", ""}};
    BackendList backends = desktop_backends();
    ASSERT_EQ(backends.size(), 1u);
    ASSERT_STREQ(backends.front()->name(), "sway");
    for (auto [name, colour] : {std::pair{"a.png", red}, {"b.png", blue}, {"a.png", red}}) {
        Status applied = apply_through_backends(dir.file(name), backends).status;
        ASSERT_TRUE(applied.ok()) << applied.reason();
        EXPECT_TRUE(shows_within(compositor, colour, 3000)) << name;
        EXPECT_EQ(swaybg_on(compositor).size(), 1u) << name;
    }
    for (int pid : swaybg_on(compositor))
        kill(pid, SIGTERM);
    // A swaybg that cannot reach its compositor ends at once: a failure that says why.
    ScopedEnvironment gone{{"WAYLAND_DISPLAY", "wayland-nobody"}};
    Status refused = apply_through_backends(dir.file("b.png"), backends).status;
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.reason().find("compositor"), std::string::npos) << refused.reason();
}

} // namespace
