#pragma once
// Decoding and fitting wallpaper images (Qt's image readers, no GUI application needed).

#include "platform/result.h"
#include "wallpaper/picture_limits.h"

#include <QImage>
#include <QSize>
#include <string>

namespace wallcycle {

// What the caller will do with the picture, so the decoder does no more work than needed.
struct DecodeTarget {
    QSize cover;            // the picture will be scaled to cover this size: a larger image is
                            // decoded at that scale already (JPEG does it inside the decoder)
    bool crop = false;      // and cropped to it, centred: the decoder may return exactly `cover`
    QImage* into = nullptr; // a buffer of `cover` size in Format_RGB32 to decode into, if it can
};

// The whole image, decoded and checked, as opaque 32-bit RGB (transparency drawn over black).
// The reason names the file and what is wrong with it.
Result<QImage> decode_image(const std::string& path, const DecodeTarget& target = {});

// For desktops that read the file themselves: the file's absolute path once the whole image has
// been decoded and checked (at the scale the screen needs), so a broken file never replaces a
// working wallpaper.
Result<std::string> usable_image_path(const std::string& path);

// The image scaled smoothly to cover the target keeping its aspect ratio, centred and cropped.
// Fails only when there is no memory for the result.
Result<QImage> cover_image(const QImage& image, QSize target);

} // namespace wallcycle
