#pragma once
// The pictures this program makes for desktops that read the picture file themselves: PNG files
// in $XDG_DATA_HOME/wallcycle (desktops read them again at every login), each under a new name,
// held by the process that made it for as long as it shows it.
//
// Several copies may run at once (a "/e" during a rotation, the window beside it). A copy removes
// only pictures that no running copy holds and that the desktop does not name; so a picture is
// never pulled from under a copy about to show it, nor from a desktop still showing it.

#include "platform/held_file_linux.h"
#include "platform/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace wallcycle {

// A picture made for `desktop`, held by this process.
struct MadePictureFile {
    std::string path; // absolute
    HeldFile hold;
};

// Writes a new picture for `desktop` (the name is never used again), held from the start.
Result<MadePictureFile> write_made_picture(std::string_view desktop, std::string_view png);

// Made pictures of `desktop` no copy holds, each now taken by this process, `keep` left out:
// those that may be removed once the desktop has been asked which it still names.
struct UnheldPicture {
    std::string path;
    HeldFile taken;
};
std::vector<UnheldPicture> unheld_made_pictures(std::string_view desktop, const std::string& keep);

// Removes those of `pictures` that no file of `named` is (compared by name: ours are unique).
void remove_unless_named(const std::vector<UnheldPicture>& pictures, const std::vector<std::string>& named);

} // namespace wallcycle
