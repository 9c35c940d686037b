// sway and other wlroots compositors: sway sets its own background on request (swaymsg); other
// compositors show a picture drawn by swaybg, which runs for as long as the picture is shown.

#include "wallpaper/backend_registry.h"

#include "pictures/picture_reader.h"
#include "platform/child_process.h"
#include "platform/program_facts.h"

#include <chrono>
#include <fstream>
#include <thread>

namespace wallcycle {
namespace {

// sway reads its command as text: the path goes in double quotes, with quotes and backslashes escaped.
std::string sway_quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// Where the swaybg this program started last is noted, so the next one can replace it.
std::string swaybg_note() {
    std::string runtime = environment_value("XDG_RUNTIME_DIR");
    return (runtime.empty() ? std::string("/tmp") : runtime) + "/wallcycle-swaybg.pid";
}

Status show_with_swaybg(const std::string& path) {
    std::ifstream note_in(swaybg_note());
    int previous = 0;
    note_in >> previous;
    Result<int> started = start_detached({"swaybg", "-o", "*", "-i", path, "-m", "fill"});
    if (!started)
        return fail(started.reason());
    // The old picture stays until the new one is up: swaybg that cannot start ends at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    if (!process_is(started.value(), "swaybg"))
        return fail("swaybg could not show " + path);
    std::ofstream(swaybg_note(), std::ios::trunc) << started.value() << "\n";
    if (previous != started.value() && process_is(previous, "swaybg"))
        end_process(previous);
    return {};
}

class SwayBackend : public WallpaperBackend {
public:
    const char* name() const override { return "sway"; }
    Status can_run() const override {
        if (!environment_value("SWAYSOCK").empty())
            return find_on_path("swaymsg").empty() ? fail("swaymsg is not installed") : Status();
        if (environment_value("WAYLAND_DISPLAY").empty())
            return fail("no Wayland session (WAYLAND_DISPLAY is not set)");
        return find_on_path("swaybg").empty() ? fail("swaybg is not installed") : Status();
    }
    Status apply(const std::string& image_path) override {
        Result<std::string> usable = usable_picture_path(image_path);
        if (!usable)
            return fail(usable.reason());
        if (!environment_value("SWAYSOCK").empty())
            return run_program({"swaymsg", "output", "*", "bg", sway_quoted(usable.value()), "fill"});
        return show_with_swaybg(usable.value());
    }
};

} // namespace

std::unique_ptr<WallpaperBackend> make_sway_backend() {
    return std::make_unique<SwayBackend>();
}

} // namespace wallcycle
