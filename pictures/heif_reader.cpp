#include "pictures/heif_reader.h"

#include "pictures/picture_checks.h"
#include "pictures/picture_scaling.h"
#include "pictures/rgba_pixels.h"

#include <algorithm>
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
    heif_image* decoded = nullptr;
    error = heif_decode_image(primary, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                              options.get());
    Owned<heif_image> image(decoded);
    if (error.code != heif_error_Ok)
        return damaged(error);
    int stride = 0;
    uint8_t* rgba = heif_image_get_plane(decoded, heif_channel_interleaved, &stride);
    Size size{heif_image_get_width(decoded, heif_channel_interleaved),
              heif_image_get_height(decoded, heif_channel_interleaved)};
    if (rgba == nullptr || !size.valid() || stride % 4 != 0)
        return picture_damaged("no picture was decoded");
    // Turned into our pixels where libheif decoded it, then scaled from there.
    for (int y = 0; y < size.height; ++y)
        rgba_to_pixels(rgba + static_cast<std::ptrdiff_t>(y) * stride,
                       reinterpret_cast<std::uint32_t*>(rgba + static_cast<std::ptrdiff_t>(y) * stride),
                       size.width);
    Result<Picture> shown =
        as_requested(Picture::lent(size, reinterpret_cast<std::uint32_t*>(rgba), stride / 4), request);
    if (!shown ||
        !shown->same_memory(Picture::lent(size, reinterpret_cast<std::uint32_t*>(rgba), stride / 4)))
        return shown;
    // Shown at its own size: copied out of libheif's memory, which goes with the image.
    Result<Picture> own = picture_memory(size, request);
    if (!own)
        return own;
    for (int y = 0; y < size.height; ++y)
        std::copy(shown->row(y), shown->row(y) + size.width, own.value().row(y));
    return own;
}

} // namespace wallcycle
