#include "wallpaper/desktop_picture.h"

#include "pictures/picture_checks.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_reader.h"
#include "pictures/png_writer.h"
#include "platform/text_encoding.h"
#include "wallpaper/backends/x11_outputs.h"
#include "wallpaper/made_pictures.h"

#include <cstdio>

namespace wallcycle {
namespace {

// Without an X display to measure (a Wayland session), the picture is made to cover a 4K screen.
constexpr Size unmeasured_screen{3840, 2160};

struct DesktopPicture {
    std::string file; // absolute
    bool made = false;
    HeldFile hold; // a picture of ours, from its making
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
            return DesktopPicture{usable.value(), false, {}};
    }
    Size screen = largest_monitor_size();
    Result<Picture> shown =
        screen.valid() ? picture_for(path, screen) : read_picture(path, {unmeasured_screen});
    if (!shown)
        return fail(shown.reason());
    Result<std::string> bytes = png_bytes(shown.value());
    if (!bytes)
        return fail(picture_failure(path, bytes.reason()));
    Result<MadePictureFile> made = write_made_picture(desktop, bytes.value());
    if (!made)
        return fail(made.reason());
    return DesktopPicture{made->path, true, std::move(made.value().hold)};
}

} // namespace

Status FileDesktopBackend::apply(const std::string& image_path) {
    Result<DesktopPicture> picture = picture_for_desktop(image_path, name(), made_picture(image_path));
    if (!picture)
        return fail(picture.reason());
    Status shown = show(picture->file);
    if (!shown) {
        if (picture->made)
            std::remove(picture->file.c_str());
        return shown;
    }
    // The picture shown before is let go (none when the user's own file is shown now), then the
    // pictures nobody holds go, but for those the desktop still names: another copy may have
    // shown one after ours.
    shown_ = std::move(picture.value().hold);
    std::vector<UnheldPicture> unheld = unheld_made_pictures(name(), picture->file);
    if (!unheld.empty())
        if (Result<std::vector<std::string>> named = named_files())
            remove_unless_named(unheld, named.value());
    return shown;
}

} // namespace wallcycle
