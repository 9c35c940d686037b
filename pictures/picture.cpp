#include "pictures/picture.h"

#include "pictures/picture_limits.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace wallcycle {

Status picture_size_allowed(long long width, long long height) {
    if (width <= 0 || height <= 0)
        return fail("its header names no picture (" + std::to_string(width) + "x" + std::to_string(height) +
                    " pixels)");
    if (width > largest_image_bytes / 4 / height)
        return fail("the image is too large (" + std::to_string(width) + "x" + std::to_string(height) +
                    " pixels)");
    return {};
}

Result<Picture> Picture::make(Size size) {
    if (Status allowed = picture_size_allowed(size.width, size.height); !allowed)
        return fail(allowed.reason());
    Picture picture;
    picture.own_.reset(new (std::nothrow) std::uint32_t[static_cast<std::size_t>(size.width) * size.height]);
    if (!picture.own_)
        return fail("there is not enough memory for the picture");
    picture.size_ = size;
    picture.stride_ = size.width;
    picture.pixels_ = picture.own_.get();
    return picture;
}

Picture Picture::lent(Size size, std::uint32_t* pixels, std::ptrdiff_t stride) {
    Picture picture;
    picture.size_ = size;
    picture.stride_ = stride;
    picture.pixels_ = pixels;
    return picture;
}

Result<Picture> picture_memory(Size size, const PictureRequest& request) {
    if (request.into != nullptr && !request.into->empty() && request.into->size() == size)
        return request.into->view();
    return Picture::make(size);
}

double cover_scale(Size picture, Size cover) {
    return std::max(static_cast<double>(cover.width) / picture.width,
                    static_cast<double>(cover.height) / picture.height);
}

Size cover_size(Size picture, Size cover) {
    if (!cover.valid() || !picture.valid())
        return picture;
    double scale = cover_scale(picture, cover);
    if (scale >= 1.0)
        return picture;
    return {std::max(cover.width, static_cast<int>(std::ceil(picture.width * scale - 1e-9))),
            std::max(cover.height, static_cast<int>(std::ceil(picture.height * scale - 1e-9)))};
}

} // namespace wallcycle
