// sway and other wlroots compositors: sway sets its own background on request (swaymsg); other
// compositors show a picture drawn by swaybg, which runs for as long as the picture is shown.

#include "wallpaper/backend_registry.h"

#include "platform/child_process_linux.h"
#include "platform/program_facts.h"
#include "wallpaper/desktop_picture.h"

#include <cctype>

namespace wallcycle {
namespace {

// sway expands the path of "output * bg" as a shell would (variables, globs, commands) and splits
// its commands at ";" and ",": only a path of plain characters reaches it unchanged.
bool plain_for_sway(const std::string& path) {
    for (unsigned char c : path)
        if (!std::isalnum(c) && c < 0x80 &&
            std::string_view("/._-+@%:=").find(static_cast<char>(c)) == std::string_view::npos)
            return false;
    return !path.empty();
}

// How long swaybg must stay up to count as showing the picture: one that cannot connect or read
// the file ends within milliseconds.
constexpr int swaybg_settle_ms = 250;

Status show_with_swaybg(const std::string& path) {
    // Ours, on this compositor: the one to replace once the new one is up (the old picture stays
    // until then), whoever of us started it.
    std::string marker = "WALLCYCLE_SWAYBG=" + environment_value("WAYLAND_DISPLAY");
    std::vector<int> previous = processes_marked("swaybg", marker);
    Result<int> started =
        start_lasting({"swaybg", "-o", "*", "-i", path, "-m", "fill"}, marker, swaybg_settle_ms);
    if (!started)
        return fail("swaybg could not show the picture: " + started.reason());
    for (int pid : previous)
        if (pid != started.value())
            end_process(pid);
    return {};
}

class SwayBackend : public FileDesktopBackend {
public:
    const char* name() const override { return "sway"; }
    Status can_run() const override {
        if (!environment_value("SWAYSOCK").empty())
            return find_on_path("swaymsg").empty() ? fail("swaymsg is not installed") : Status();
        if (environment_value("WAYLAND_DISPLAY").empty())
            return fail("no Wayland session (WAYLAND_DISPLAY is not set)");
        return find_on_path("swaybg").empty() ? fail("swaybg is not installed") : Status();
    }

private:
    static bool through_sway() { return !environment_value("SWAYSOCK").empty(); }
    // A name sway would expand goes to sway as a picture of ours, under a plain name.
    MadePicture made_picture(const std::string& path) const override {
        return through_sway() && !plain_for_sway(path) ? MadePicture::always : MadePicture::when_needed;
    }
    Status show(const std::string& file) override {
        if (!through_sway())
            return show_with_swaybg(file);
        if (!plain_for_sway(file))
            return fail("sway would read the path " + file + " as a command; its folder needs a plain name");
        return run_program({"swaymsg", "output", "*", "bg", file, "fill"});
    }
    // Each picture is drawn by a swaybg, started by sway itself or by us.
    Result<std::vector<std::string>> named_files() const override {
        std::vector<std::string> files;
        for (const auto& line : command_lines_of("swaybg"))
            for (std::size_t i = 1; i + 1 < line.size(); ++i)
                if (line[i] == "-i" || line[i] == "--image")
                    files.push_back(line[i + 1]);
        return files;
    }
};

} // namespace

} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_sway_backend() {
    return new wallcycle::SwayBackend();
}
