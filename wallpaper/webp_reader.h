#pragma once
// WebP read through libwebp itself, scaled (and cropped) while it decodes: a 4096x4096 picture
// never takes the 64 MiB of its full size, as Qt's reader does.

#include "platform/result.h"

#include <QImage>
#include <QSize>
#include <optional>
#include <string>

namespace wallcycle {

// The picture, scaled down to the smallest size that still covers `cover` (when valid) or at its
// own size; with `crop`, exactly `cover`: the centre of its shape is cut out before scaling.
// Nothing when the bytes are no still WebP (then another reader is asked). Damaged data is a
// failure, never a partial picture.
std::optional<Result<QImage>> read_webp(const std::string& bytes, QSize cover, bool crop);

} // namespace wallcycle
