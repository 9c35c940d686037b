#pragma once
// Pictures of the program's own, for desktops that read files themselves.

#include "pictures/picture.h"

#include <string>

namespace wallcycle {

// The picture as PNG bytes: 8-bit RGB, compressed fast (a desktop reads it once per login), with
// the program's mark (a tEXt chunk "Software" = "wallcycle" before the pixels).
Result<std::string> png_bytes(const Picture& picture);

// Whether a PNG file's first bytes carry that mark.
bool has_program_mark(std::string_view first_bytes);

} // namespace wallcycle
