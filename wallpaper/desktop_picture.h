#pragma once
// Desktops that read the picture file themselves are given one they surely read: the user's own
// JPEG or PNG as it is (so the desktop's settings name it), any other format as a picture made
// from the pixels already decoded and checked, at the size the screen needs (made_pictures.h):
// each under a new name, so the desktop always sees a new file and draws it, and the one it shows
// is never overwritten; once it shows one, those no other copy of the program still uses go.

#include "platform/held_file_linux.h"
#include "wallpaper/backend.h"

#include <string>
#include <vector>

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
    // The picture files (paths or file URIs) the desktop's settings name now, as far as it can
    // tell; a picture of ours named there stays, whoever made it. A failure to ask keeps them all.
    virtual Result<std::vector<std::string>> named_files() const { return std::vector<std::string>(); }

private:
    HeldFile shown_; // the picture of ours this process shows, held while it does
};

} // namespace wallcycle
