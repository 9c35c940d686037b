#pragma once
// Whether a picture file holds all the data its format promises, for decoders that would show a
// damaged file anyway, its missing part grey or black (the system's own, on Windows).

#include "platform/result.h"

#include <string_view>

namespace wallcycle {

// BMP is decoded whole by our own reader; JPEG must reach its end mark after its pixel data;
// PNG's chunks must all be there with good checksums, up to its end chunk; WebP must be as long
// as its header says; GIF must end with its trailer. Other formats are not looked at.
Status picture_complete(std::string_view bytes);

} // namespace wallcycle
