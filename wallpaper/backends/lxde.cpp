// LXDE: pcmanfm draws the desktop and keeps the picture in its own settings.

#include "wallpaper/backends/desktop_backends.h"

#include "platform/child_process.h"
#include "wallpaper/image_decoder.h"

namespace wallcycle {
namespace {

class LxdeBackend : public WallpaperBackend {
public:
    const char* name() const override { return "lxde"; }
    Status can_run() const override {
        if (find_on_path("pcmanfm").empty())
            return fail("pcmanfm is not installed");
        return {};
    }
    Status apply(const std::string& image_path) override {
        Result<std::string> usable = usable_image_path(image_path);
        if (!usable)
            return fail(usable.reason());
        return run_program({"pcmanfm", "--set-wallpaper", usable.value(), "--wallpaper-mode", "crop"});
    }
};

} // namespace

std::unique_ptr<WallpaperBackend> make_lxde_backend() {
    return std::make_unique<LxdeBackend>();
}

} // namespace wallcycle
