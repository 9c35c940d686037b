#include "tests/support/sway_session.h"

#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace wallcycle::test {

SwaySession::SwaySession(bool draws_own_background) {
    chmod(dir_.path().c_str(), 0700);
    std::string config = "xwayland disable\n"
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
    sway_ = std::make_unique<Process>(sway[0], std::vector<std::string>(sway.begin() + 1, sway.end()), env);
    auto ready = [&] {
        std::istringstream said(read_file(dir_.file("ready")));
        return static_cast<bool>(said >> wayland_display_ >> swaysock_) || !sway_->still_running();
    };
    if (wait_for(ready, 10000, 20) && sway_->still_running())
        return;
    throw std::runtime_error(how + " did not start: " + sway_->finish(0).err);
}

std::uint32_t SwaySession::pixel(int x, int y) const {
    std::string shot = dir_.file("shot.ppm");
    Finished done = run("/usr/bin/grim", {"-t", "ppm", shot},
                        {{"XDG_RUNTIME_DIR", dir_.path()}, {"WAYLAND_DISPLAY", wayland_display_}});
    if (done.exit_code != 0)
        throw std::runtime_error("grim failed: " + done.err);
    std::string ppm = read_file(shot);
    std::istringstream header(ppm);
    std::string magic;
    int width = 0, height = 0, max = 0;
    header >> magic >> width >> height >> max;
    std::size_t data = static_cast<std::size_t>(header.tellg()) + 1;
    std::size_t at = data + (static_cast<std::size_t>(y) * width + x) * 3;
    if (magic != "P6" || at + 3 > ppm.size())
        throw std::runtime_error("unexpected screenshot");
    auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(ppm[i])); };
    return byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2);
}

} // namespace wallcycle::test
