#pragma once
// Checks of a picture file that every system's decoder needs and none makes.

#include "platform/result.h"

#include <string>

namespace wallcycle {

// "cannot use PATH: what": how a picture's failure is told, by every decoder.
std::string picture_failure(const std::string& path, const std::string& what);

// "the picture is damaged (what)": how every decoder tells of damage.
Failure picture_damaged(const std::string& what);

// Whether the path names a picture file a decoder may open: a regular file, looked at without
// opening it, so a named pipe never blocks the decoder. The failure names the file.
Status picture_file_usable(const std::string& path);

} // namespace wallcycle
