#include "wallpaper/desktop_picture.h"

#include "pictures/picture_checks.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_reader.h"
#include "pictures/png_writer.h"
#include "platform/file_io.h"
#include "platform/program_facts.h"
#include "platform/shown_path.h"
#include "platform/text_encoding.h"
#include "wallpaper/backends/x11_outputs.h"

#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace wallcycle {
namespace {

// Without an X display to measure (a Wayland session), the picture is made to cover a 4K screen.
constexpr Size unmeasured_screen{3840, 2160};

std::string made_folder() {
    return xdg_folder("XDG_DATA_HOME", "/.local/share") + "/wallcycle";
}

std::string made_prefix(std::string_view desktop) {
    return std::string(desktop) + "-wallpaper-";
}

// A name never used before: desktops keep what they drew by file name (gnome-shell shows the
// old picture for a name it has shown before, even after the file was replaced).
std::string new_made_name(std::string_view desktop) {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    char token[32];
    std::snprintf(
        token, sizeof token, "%llx",
        static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return made_folder() + "/" + made_prefix(desktop) + token + ".png";
}

struct DesktopPicture {
    std::string file; // absolute
    bool made = false;
};

// The file to give the desktop for the picture at `path`, once every pixel of it has been checked.
Result<DesktopPicture> picture_for_desktop(const std::string& path, std::string_view desktop,
                                           MadePicture when) {
    Result<PictureFormat> format = picture_file_format(path);
    if (!format)
        return fail(format.reason());
    if (when == MadePicture::when_needed && format_row(*format).desktops_read_it) {
        Result<std::string> usable = usable_picture_path(path);
        if (!usable)
            return fail(usable.reason());
        // Desktops keep the name as text (xfconf, GSettings, Plasma's script): one that is not
        // UTF-8 would reach them changed, so it goes as a picture of ours under a plain name.
        if (is_valid_utf8(usable.value()))
            return DesktopPicture{usable.value(), false};
    }
    Size screen = largest_monitor_size();
    Result<Picture> shown =
        screen.valid() ? picture_for(path, screen) : read_picture(path, {unmeasured_screen});
    if (!shown)
        return fail(shown.reason());
    Result<std::string> bytes = png_bytes(shown.value());
    if (!bytes)
        return fail(picture_failure(path, bytes.reason()));
    std::string target = new_made_name(desktop);
    if (Status folder = make_directories(made_folder()); !folder)
        return fail(folder.reason());
    if (Status written = replace_file_atomically(target, bytes.value(), made_prefix(desktop)); !written)
        return fail("cannot write the picture made for the desktop: " + written.reason());
    return DesktopPicture{target, true};
}

// Whether the folder entry `name` is a picture this program made for `desktop`: named as it names
// them, a file of this user's own (not a link), carrying the program's mark.
bool made_by_us(const std::string& folder, const std::string& name, std::string_view desktop) {
    const std::string prefix = made_prefix(desktop);
    if (!name.starts_with(prefix) || !name.ends_with(".png"))
        return false;
    std::string_view token = std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - 4);
    if (token.empty() || token.size() > 16 ||
        token.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return false;
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid())
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (file == nullptr)
        return false;
    char first[128];
    std::size_t got = std::fread(first, 1, sizeof first, file);
    std::fclose(file);
    return has_program_mark({first, got});
}

// Once the desktop has taken the picture (or refused it): the pictures it was given before go,
// only those this program made, and only in its own folder, never one reached through a link.
void remove_pictures_given_before(const DesktopPicture& picture, std::string_view desktop, bool shown) {
    if (!shown) {
        if (picture.made)
            std::remove(picture.file.c_str());
        return;
    }
    const std::string folder = made_folder();
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return;
    Result<std::vector<FolderEntry>> made = list_folder(folder);
    if (!made)
        return;
    for (const FolderEntry& entry : made.value()) {
        std::string path = folder + "/" + entry.name;
        if (path != picture.file && made_by_us(folder, entry.name, desktop))
            std::remove(path.c_str());
    }
}

} // namespace

Status FileDesktopBackend::apply(const std::string& image_path) {
    Result<DesktopPicture> picture = picture_for_desktop(image_path, name(), made_picture(image_path));
    if (!picture)
        return fail(picture.reason());
    Status shown = show(picture->file);
    remove_pictures_given_before(picture.value(), name(), shown.ok());
    return shown;
}

} // namespace wallcycle
