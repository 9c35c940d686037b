#pragma once
// PNG through libspng: every chunk's checksum checked, transparency drawn over black.

#include "pictures/picture.h"

#include <cstdio>
#include <string_view>

namespace wallcycle {

// The picture at its own size, read from the open file as it decodes (a large PNG is never held
// whole in memory). A file cut short anywhere (it must end with the end chunk) or with a bad
// checksum is a failure.
Result<Picture> read_png_file(std::FILE* file, const PictureRequest& request = {});

} // namespace wallcycle
