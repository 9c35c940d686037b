#pragma once
// Windows bitmaps, the program's own format, read by the program itself: 1, 4, 8, 16, 24 and
// 32 bits per pixel, RLE4 and RLE8, bit fields, bottom-up and top-down, the OS/2 and every
// Windows header.

#include "pictures/picture.h"

#include <string_view>

namespace wallcycle {

// The picture in the file's bytes, or what is wrong with them. Every header field is checked
// against the file before memory is taken for the pixels, and every pixel must be there: a file
// cut short is damaged, never shown with black rows. Alpha is not used: wallpapers are opaque.
Result<Picture> read_bmp(std::string_view bytes, const PictureRequest& request = {});

} // namespace wallcycle
