#pragma once
// Desktops that read the picture file themselves are given one they surely read: the user's own
// JPEG or PNG as it is (so the desktop's settings name it), any other format as a picture made
// from the pixels already decoded and checked, at the size the screen needs. Made pictures are
// PNG files in $XDG_DATA_HOME/wallcycle (desktops read them again at every login), each under a
// new name: the desktop always sees a new file and draws it, and the one it shows is never
// overwritten; once it shows one, the others are removed.

#include "wallpaper/backend.h"

#include <string>

namespace wallcycle {

enum class MadePicture {
    when_needed, // for formats not every desktop reads
    always       // a desktop that cannot cover the screen by itself gets the picture cropped to it
};

// A desktop that reads the picture file itself.
class FileDesktopBackend : public WallpaperBackend {
public:
    Status apply(const std::string& image_path) final;

protected:
    // Shows the file, whose every pixel has been checked; fails when the desktop does not take it.
    virtual Status show(const std::string& file) = 0;
    // Whether the picture at `path` must go as a picture of ours even when the desktop reads its format.
    virtual MadePicture made_picture(const std::string& path) const {
        (void)path;
        return MadePicture::when_needed;
    }
};

} // namespace wallcycle
