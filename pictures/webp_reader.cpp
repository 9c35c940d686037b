#include "pictures/webp_reader.h"

#include "pictures/picture_checks.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <webp/decode.h>

namespace wallcycle {

Result<Picture> read_webp(std::string_view bytes, const PictureRequest& request) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return fail("the WebP decoder cannot start");
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (WebPGetFeatures(data, bytes.size(), &config.input) != VP8_STATUS_OK)
        return picture_damaged("its WebP header cannot be read");
    const int width = config.input.width, height = config.input.height;
    if (Status allowed = picture_size_allowed(width, height); !allowed)
        return fail(allowed.reason());
    const Size cover = request.cover;
    Size decoded{width, height}, out = cover_size(decoded, cover);
    if (request.crop && cover.valid()) { // the centre of the target's shape, in the picture's own pixels
        double scale = cover_scale({width, height}, cover);
        WebPDecoderOptions& o = config.options;
        o.use_cropping = 1;
        o.crop_width = std::clamp(static_cast<int>(std::lround(cover.width / scale)), 1, width);
        o.crop_height = std::clamp(static_cast<int>(std::lround(cover.height / scale)), 1, height);
        o.crop_left = (width - o.crop_width) / 2;
        o.crop_top = (height - o.crop_height) / 2;
        decoded = {o.crop_width, o.crop_height};
        // Scaled down inside the decoder, never up: the caller scales a small picture up.
        out = scale < 1.0 ? cover : decoded;
    }
    if (out != decoded) {
        config.options.use_scaling = 1;
        config.options.scaled_width = out.width;
        config.options.scaled_height = out.height;
    }
    Result<Picture> picture = picture_memory(out, request);
    if (!picture)
        return picture;
    Picture& p = picture.value();
    config.output.colorspace = MODE_BGRA; // B, G, R, A in memory: our pixels, alpha on top
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = reinterpret_cast<uint8_t*>(p.row(0));
    config.output.u.RGBA.stride = static_cast<int>(p.stride() * 4);
    config.output.u.RGBA.size = static_cast<size_t>(p.stride()) * 4 * static_cast<size_t>(p.height());
    VP8StatusCode status = WebPDecode(data, bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return picture_damaged("WebP data: error " + std::to_string(status));
    if (config.input.has_alpha)
        for (int y = 0; y < p.height(); ++y)
            for (std::uint32_t& pixel : std::span(p.row(y), static_cast<std::size_t>(p.width())))
                pixel = over_black(pixel);
    return picture;
}

} // namespace wallcycle
