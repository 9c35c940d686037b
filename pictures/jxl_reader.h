#pragma once
// JPEG XL through libjxl.

#include "pictures/picture.h"

#include <string>

namespace wallcycle {

// The first frame, turned as the file says, scaled to cover the request's size. Its size is
// checked from the header before any pixel is decoded; a file cut short or damaged is a failure.
// The file's bytes are the reader's, let go once decoded, before the picture is scaled.
Result<Picture> read_jxl(std::string bytes, const PictureRequest& request = {});

} // namespace wallcycle
