#pragma once
// Checks of a picture file that every system's decoder needs and none makes.

#include <string>

namespace wallcycle {

// Why a BMP file is short of the pixels its header promises (readers decode such a file
// "successfully", the missing rows black), or empty text. Compressed BMPs (RLE) end with their own
// end mark, which the readers check; other files are not looked at.
std::string bmp_cut_short(const std::string& path);

} // namespace wallcycle
