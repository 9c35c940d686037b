// LXDE: pcmanfm draws the desktop and keeps the picture in its own settings. It must be running:
// "pcmanfm --set-wallpaper" with no pcmanfm desktop becomes the desktop itself and never exits.

#include "wallpaper/backend_registry.h"

#include "platform/child_process_linux.h"
#include "wallpaper/backends/x11_desktop_window.h"
#include "wallpaper/desktop_picture.h"

namespace wallcycle {
namespace {

class LxdeBackend : public FileDesktopBackend {
public:
    const char* name() const override { return "lxde"; }
    Status can_run() const override {
        if (find_on_path("pcmanfm").empty())
            return fail("pcmanfm is not installed");
        if (!desktop_window_shown("Pcmanfm"))
            return fail("no pcmanfm desktop is running on this display");
        return {};
    }
    bool may_come_up() const override { return !find_on_path("pcmanfm").empty(); }

private:
    // "crop" covers the screen, centred, keeping the picture's shape.
    Status show(const std::string& file) override {
        return run_program({"pcmanfm", "--set-wallpaper", file, "--wallpaper-mode", "crop"});
    }
};

} // namespace

} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_lxde_backend() {
    return new wallcycle::LxdeBackend();
}
