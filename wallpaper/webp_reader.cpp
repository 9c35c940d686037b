#include "wallpaper/webp_reader.h"

#include "wallpaper/picture_limits.h"

#include <algorithm>
#include <cmath>
#include <webp/decode.h>

namespace wallcycle {

std::optional<Result<QImage>> read_webp(const std::string& bytes, QSize cover, bool crop) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WEBP") != 0)
        return std::nullopt;
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return std::nullopt;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (WebPGetFeatures(data, bytes.size(), &config.input) != VP8_STATUS_OK)
        return Result<QImage>(fail("the picture is damaged (its WebP header cannot be read)"));
    if (config.input.has_animation)
        return std::nullopt; // Qt's reader shows its first frame
    int width = config.input.width, height = config.input.height;
    if (static_cast<long long>(width) * height * 4 > largest_image_bytes)
        return Result<QImage>(fail("the image is too large (" + std::to_string(width) + "x" +
                                   std::to_string(height) + " pixels)"));
    QSize out(width, height);
    if (cover.isValid()) {
        double scale = std::max(static_cast<double>(cover.width()) / width,
                                static_cast<double>(cover.height()) / height);
        if (crop) { // the centre of the target's shape, in the picture's own pixels, scaled to the target
            config.options.use_cropping = 1;
            config.options.crop_width =
                std::clamp(static_cast<int>(std::lround(cover.width() / scale)), 1, width);
            config.options.crop_height =
                std::clamp(static_cast<int>(std::lround(cover.height() / scale)), 1, height);
            config.options.crop_left = (width - config.options.crop_width) / 2;
            config.options.crop_top = (height - config.options.crop_height) / 2;
            out = cover;
        } else if (scale < 1.0) { // never scaled up: that is left to whoever fits it to the screen
            out = QSize(std::max(cover.width(), static_cast<int>(std::ceil(width * scale - 1e-9))),
                        std::max(cover.height(), static_cast<int>(std::ceil(height * scale - 1e-9))));
        }
    }
    QSize decoded = config.options.use_cropping ? QSize(config.options.crop_width, config.options.crop_height)
                                                : QSize(width, height);
    if (out != decoded) {
        config.options.use_scaling = 1;
        config.options.scaled_width = out.width();
        config.options.scaled_height = out.height();
    }
    QImage image(out, QImage::Format_ARGB32); // B, G, R, A in memory, as MODE_BGRA writes it
    if (image.isNull())
        return Result<QImage>(fail("there is not enough memory for the picture"));
    config.output.colorspace = MODE_BGRA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.bits();
    config.output.u.RGBA.stride = static_cast<int>(image.bytesPerLine());
    config.output.u.RGBA.size = static_cast<size_t>(image.sizeInBytes());
    VP8StatusCode status = WebPDecode(data, bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return Result<QImage>(
            fail("the picture is damaged (WebP data: error " + std::to_string(status) + ")"));
    return Result<QImage>(std::move(image));
}

} // namespace wallcycle
