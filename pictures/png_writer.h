#pragma once
// Pictures of the program's own, for desktops that read files themselves.

#include "pictures/picture.h"

#include <string>

namespace wallcycle {

// The picture as PNG bytes: 8-bit RGB, compressed fast (a desktop reads it once per login).
Result<std::string> png_bytes(const Picture& picture);

} // namespace wallcycle
