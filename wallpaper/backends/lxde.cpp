// LXDE: pcmanfm draws the desktop and keeps the picture in its own settings. It must be running:
// "pcmanfm --set-wallpaper" with no pcmanfm desktop becomes the desktop itself and never exits.

#include "wallpaper/backend_registry.h"

#include "platform/child_process_linux.h"
#include "platform/file_io.h"
#include "platform/program_facts.h"
#include "wallpaper/backends/x11_desktop_window.h"
#include "wallpaper/desktop_picture.h"

#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

namespace wallcycle {
namespace {

// The pictures pcmanfm's profiles name: each monitor's, in desktop-items-N.conf, as "wallpaper=".
std::vector<std::string> pcmanfm_pictures() {
    std::vector<std::string> files;
    const std::string profiles = xdg_folder("XDG_CONFIG_HOME", "/.config") + "/pcmanfm";
    Result<std::vector<FolderEntry>> each = list_folder(profiles);
    for (const FolderEntry& profile : each ? each.value() : std::vector<FolderEntry>()) {
        const std::string folder = profiles + "/" + profile.name;
        Result<std::vector<FolderEntry>> items = list_folder(folder);
        for (const FolderEntry& item : items ? items.value() : std::vector<FolderEntry>()) {
            if (!item.name.starts_with("desktop-items-") || !item.name.ends_with(".conf"))
                continue;
            Result<std::string> text = read_whole_file(folder + "/" + item.name, 1 << 20);
            std::istringstream lines(text ? text.value() : std::string());
            for (std::string line; std::getline(lines, line);)
                if (line.starts_with("wallpaper="))
                    files.push_back(line.substr(10));
        }
    }
    return files;
}

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
        Status shown = run_program({"pcmanfm", "--set-wallpaper", file, "--wallpaper-mode", "crop"});
        // pcmanfm stores the new picture in its profile a moment later (0.1 s here); until then
        // the profile names the one before, which the clean-up would keep as the desktop's.
        for (int waited_ms = 0; shown && waited_ms < 2000; waited_ms += 20) {
            std::vector<std::string> named = pcmanfm_pictures();
            if (std::find(named.begin(), named.end(), file) != named.end())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return shown;
    }
    Result<std::vector<std::string>> named_files() const override { return pcmanfm_pictures(); }
};

} // namespace

} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_lxde_backend() {
    return new wallcycle::LxdeBackend();
}
