#pragma once
// Checks of a picture file that every system's decoder needs and none makes.

#include "platform/result.h"

#include <string>

namespace wallcycle {

// "cannot use PATH: what": how a picture's failure is told, by every decoder.
std::string picture_failure(const std::string& path, const std::string& what);

// Whether the path names a picture file a decoder may open: a regular file (looked at without
// opening it, so a named pipe never blocks the decoder), and no BMP short of its pixels. The
// failure names the file and what is wrong, as the decoders' own do.
Status picture_file_usable(const std::string& path);

// Why a BMP file is short of the pixels its header promises (readers decode such a file
// "successfully", the missing rows black), or empty text. Compressed BMPs (RLE) end with their own
// end mark, which the readers check; other files are not looked at.
std::string bmp_cut_short(const std::string& path);

} // namespace wallcycle
