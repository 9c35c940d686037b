#include "pictures/heif_reader.h"

#include "pictures/box_average.h"
#include "pictures/picture_checks.h"
#include "pictures/picture_scaling.h"

#include <algorithm>
#include <cstring>
#include <libheif/heif.h>
#include <memory>

namespace wallcycle {
namespace {

struct Free {
    void operator()(heif_context* c) const { heif_context_free(c); }
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
    void operator()(heif_image* i) const { heif_image_release(i); }
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
template <typename T> using Owned = std::unique_ptr<T, Free>;

Failure damaged(const heif_error& error) {
    std::string message = error.message != nullptr ? error.message : "unknown error";
    message.erase(message.find_last_not_of("\n ") + 1);
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return fail("the image is too large (" + message + ")");
    return picture_damaged(message);
}

} // namespace

Result<Picture> read_heif(std::string_view bytes, const PictureRequest& request) {
    Owned<heif_context> context(heif_context_alloc());
    if (!context)
        return fail("there is not enough memory for the picture");
    // libheif sizes some pictures (overlays) from data of their own, after our check of the header:
    // its own limit on either side bounds those (16384², 1 GiB at the very most) and lets phone
    // panoramas through. Our bound on the picture's memory decides the rest, worded as for every
    // format.
    heif_context_set_maximum_image_size_limit(context.get(), 16384);
    heif_error error =
        heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
    if (error.code != heif_error_Ok)
        return damaged(error);
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &primary);
    Owned<heif_image_handle> handle(primary);
    if (error.code != heif_error_Ok)
        return damaged(error);
    // The size it is shown at, turned as it says; checked before a pixel is decoded.
    if (Status allowed =
            picture_size_allowed(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
        !allowed)
        return fail(allowed.reason());
    Owned<heif_decoding_options> options(heif_decoding_options_alloc());
    if (!options)
        return fail("there is not enough memory for the picture");
    options->ignore_transformations = 0; // turned and mirrored as the camera says
    // As planes of red, green and blue: libheif turns its colours into those without holding the
    // picture in a form of more bytes a pixel than they take, and the planes become our pixels
    // while they are averaged down to the size the screen needs.
    heif_image* decoded = nullptr;
    error = heif_decode_image(primary, &decoded, heif_colorspace_RGB, heif_chroma_444, options.get());
    Owned<heif_image> image(decoded);
    if (error.code != heif_error_Ok)
        return damaged(error);
    const bool alpha = heif_image_has_channel(decoded, heif_channel_Alpha) != 0;
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    // 8 bits a sample, or more (HDR) in 16, brought down to 8.
    const int depth = heif_image_get_bits_per_pixel_range(decoded, heif_channel_R);
    const heif_channel channels[4] = {heif_channel_R, heif_channel_G, heif_channel_B, heif_channel_Alpha};
    const Size size{heif_image_get_width(decoded, heif_channel_R),
                    heif_image_get_height(decoded, heif_channel_R)};
    for (int c = 0; c < (alpha ? 4 : 3); ++c) {
        planes[c] = heif_image_get_plane_readonly(decoded, channels[c], &strides[c]);
        if (planes[c] == nullptr || heif_image_get_bits_per_pixel_range(decoded, channels[c]) != depth ||
            heif_image_get_width(decoded, channels[c]) != size.width ||
            heif_image_get_height(decoded, channels[c]) != size.height)
            return picture_damaged("no picture was decoded");
    }
    if (!size.valid() || depth < 8 || depth > 16)
        return picture_damaged("no picture was decoded");
    const int k = box_factor(size, request.cover);
    Result<Picture> picture = picture_memory({size.width / k, size.height / k}, request);
    if (!picture)
        return picture;
    Picture& p = picture.value();
    BoxAverage average(p, k);
    std::unique_ptr<std::uint32_t[]> line(k > 1 ? new (std::nothrow) std::uint32_t[size.width] : nullptr);
    if (k > 1 && (!line || !average.ready()))
        return fail("there is not enough memory for the picture");
    for (int y = 0; y < p.height() * k; ++y) {
        std::uint32_t* row = k > 1 ? line.get() : p.row(y);
        const uint8_t* at[4] = {};
        for (int c = 0; c < (alpha ? 4 : 3); ++c)
            at[c] = planes[c] + static_cast<std::ptrdiff_t>(y) * strides[c];
        auto sample = [&](int c, int x) -> std::uint32_t {
            if (depth == 8)
                return at[c][x];
            std::uint16_t wide;
            std::memcpy(&wide, at[c] + 2 * static_cast<std::ptrdiff_t>(x), 2);
            return std::min<std::uint32_t>(255, (wide + (1u << (depth - 9))) >> (depth - 8));
        };
        for (int x = 0; x < p.width() * k; ++x) {
            const std::uint32_t pixel = sample(0, x) << 16 | sample(1, x) << 8 | sample(2, x);
            row[x] = alpha ? over_black(sample(3, x) << 24 | pixel) : pixel;
        }
        if (k > 1)
            average.add(y, row);
    }
    // libheif's memory goes before the picture is scaled the rest of the way.
    image.reset();
    handle.reset();
    context.reset();
    return as_requested(std::move(picture.value()), request);
}

} // namespace wallcycle
