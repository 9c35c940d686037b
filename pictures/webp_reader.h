#pragma once
// WebP through libwebp itself, scaled (and cropped) while it decodes: a 4096x4096 picture never
// takes the 64 MiB of its full size.

#include "pictures/picture.h"

#include <string_view>

namespace wallcycle {

// The picture scaled down to the smallest size that still covers the request's (or at its own
// size); when the request crops, exactly that size, the centre of its shape cut out first.
// Damaged data is a failure, never a partial picture.
Result<Picture> read_webp(std::string_view bytes, const PictureRequest& request = {});

} // namespace wallcycle
