#pragma once
// Fitting a decoded picture to the screen, and turning it the way its camera says.

#include "pictures/picture.h"

namespace wallcycle {

// Fills `target` with `source` scaled to cover it keeping its aspect ratio, centred and cropped:
// only the part that shows is scaled (a 1x800 picture never becomes 1920x1,536,000 on the way).
// Smaller is averaged over the pixels each covers, larger is interpolated between neighbours.
void cover_into(const Picture& source, Picture& target);

// A picture decoded at its full size, as the request wants it: scaled to cover its size (exactly
// that size, in its memory where given, when it crops); or the picture itself.
Result<Picture> as_requested(Picture full, const PictureRequest& request);

// The picture turned as an EXIF orientation (1-8) says; the same picture for 1 or an unknown value.
Result<Picture> oriented(Picture source, int orientation);

} // namespace wallcycle
