#pragma once
// A decoded picture: opaque pixels, one 32-bit word each, 0xXXRRGGBB (the top byte is ignored),
// the layout of the X server's 24-bit visuals and of Windows bitmaps on the machines we run on.

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace wallcycle {

struct Size {
    int width = 0;
    int height = 0;

    bool valid() const { return width > 0 && height > 0; }
    bool operator==(const Size&) const = default;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    Size size() const { return {width, height}; }
    bool operator==(const Rect&) const = default;
};

// "the image is too large (WxH pixels)" when a picture of that size would take more memory than
// any picture may; nothing is allocated to find out.
Status picture_size_allowed(long long width, long long height);

class Picture {
public:
    Picture() = default;

    // A picture in memory of its own (not cleared); fails when the size is not allowed or there is
    // not enough memory, never throws.
    static Result<Picture> make(Size size);

    // A picture drawn in memory lent by its owner, rows `stride` pixels apart; the memory must
    // outlive the picture.
    static Picture lent(Size size, std::uint32_t* pixels, std::ptrdiff_t stride);

    Size size() const { return size_; }
    int width() const { return size_.width; }
    int height() const { return size_.height; }
    bool empty() const { return pixels_ == nullptr; }
    std::ptrdiff_t stride() const { return stride_; }
    std::uint32_t* row(int y) { return pixels_ + y * stride_; }
    const std::uint32_t* row(int y) const { return pixels_ + y * stride_; }

    // The same pixels, lent: for decoding into this picture's memory.
    Picture view() { return lent(size_, pixels_, stride_); }
    bool same_memory(const Picture& other) const { return pixels_ == other.pixels_; }

private:
    Size size_;
    std::ptrdiff_t stride_ = 0;
    std::unique_ptr<std::uint32_t[]> own_;
    std::uint32_t* pixels_ = nullptr;
};

// A pixel with alpha (0xAARRGGBB) drawn over black, as every reader shows transparency.
inline std::uint32_t over_black(std::uint32_t argb) {
    const std::uint32_t a = argb >> 24;
    if (a == 255)
        return argb & 0xffffffu;
    return ((argb >> 16 & 0xff) * a / 255) << 16 | ((argb >> 8 & 0xff) * a / 255) << 8 |
           (argb & 0xff) * a / 255;
}

// What will be done with a decoded picture, so that a decoder does no more work than that.
struct PictureRequest {
    // The picture will be scaled to cover this size: a larger picture may be decoded smaller, but
    // never below it. Not valid: the picture's own size.
    Size cover;
    // And cropped to it, centred: a decoder that can may return exactly `cover`.
    bool crop = false;
    // Memory to decode into when the decoded picture comes out exactly its size (the screen's).
    Picture* into = nullptr;
    // Told of rows of `into` that are finished, in order from the top, while it is decoded into.
    std::function<void(int first, int count)> rows_ready = {};
};

// The memory a decoder writes a picture of `size` into: the request's, when it is that size.
Result<Picture> picture_memory(Size size, const PictureRequest& request);

// How much a picture must be scaled, keeping its aspect ratio, to just cover `cover` (both valid).
double cover_scale(Size picture, Size cover);

// The smallest size of a picture, keeping its aspect ratio, that still covers `cover`; never
// larger than the picture itself.
Size cover_size(Size picture, Size cover);

} // namespace wallcycle
