#pragma once
// JPEG through libjpeg-turbo, scaled inside the decoder (1/8 to 8/8) to the size the screen needs.

#include "pictures/picture.h"

#include <string_view>

namespace wallcycle {

// The picture, turned as its EXIF orientation says. Missing or damaged data of any kind (which
// libjpeg only warns about, filling the rest grey) is a failure.
Result<Picture> read_jpeg(std::string_view bytes, const PictureRequest& request = {});

// The EXIF orientation (1-8) in an APP1 segment's data, 1 when it names none.
int exif_orientation(std::string_view app1);

} // namespace wallcycle
