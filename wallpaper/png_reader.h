#pragma once
// PNG through libspng: every chunk's checksum checked, transparency drawn over black.

#include "wallpaper/picture.h"

#include <cstdio>
#include <string_view>

namespace wallcycle {

bool looks_like_png(std::string_view bytes);

// The picture at its own size; a file cut short or with a bad checksum is a failure.
Result<Picture> read_png(std::string_view bytes, const PictureRequest& request = {});

// The same read from an open file as it decodes: a large PNG is never held whole in memory. The
// file must end with the end chunk.
Result<Picture> read_png_file(std::FILE* file, const PictureRequest& request = {});

} // namespace wallcycle
