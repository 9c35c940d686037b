#pragma once
// Whether a picture file is whole, checked before a decoder that does not tell (Windows' own)
// reads it.

#include "platform/result.h"

#include <string_view>

namespace wallcycle {

// PNG's chunks must all be there with good checksums, up to its end chunk.
Status png_complete(std::string_view bytes);
// JPEG must reach its end mark after its pixel data.
Status jpeg_complete(std::string_view bytes);
// BMP is decoded whole by our own reader.
Status bmp_complete(std::string_view bytes);
// WebP must be as long as its header says.
Status webp_complete(std::string_view bytes);
// GIF must end with its trailer.
Status gif_complete(std::string_view bytes);

// The check of the format the bytes show; formats without one are not looked at.
Status picture_complete(std::string_view bytes);

} // namespace wallcycle
