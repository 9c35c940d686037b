#pragma once
// Averaging a picture down while it is decoded, row by row, so that it is never held whole.

#include "pictures/picture.h"

#include <algorithm>
#include <memory>
#include <new>

namespace wallcycle {

// The largest whole k for which a picture of `size`, made k times smaller on each side, still
// covers `cover`; 1 when there is nothing to cover or nothing to gain.
inline int box_factor(Size size, Size cover) {
    if (!cover.valid())
        return 1;
    return std::max(1, std::min(size.width / cover.width, size.height / cover.height));
}

// Sums rows of pixels in boxes of k x k and writes each finished row of averages into `out`, whose
// pixels stand for k x k of the rows given; only one row of sums is held.
class BoxAverage {
public:
    BoxAverage(Picture& out, int k)
        : out_(out), k_(k),
          sums_(new (std::nothrow) std::uint64_t[static_cast<std::size_t>(out.width()) * 3]()) {}

    bool ready() const { return sums_ != nullptr; }

    // Row `y` of the picture, in order from the top; rows below the last whole box are left out.
    void add(int y, const std::uint32_t* pixels) {
        if (y / k_ >= out_.height())
            return;
        for (int x = 0; x < out_.width() * k_; ++x) {
            std::uint64_t* sum = &sums_[x / k_ * 3];
            sum[0] += pixels[x] >> 16 & 0xff;
            sum[1] += pixels[x] >> 8 & 0xff;
            sum[2] += pixels[x] & 0xff;
        }
        if (y % k_ != k_ - 1)
            return;
        const std::uint64_t box = static_cast<std::uint64_t>(k_) * k_, half = box / 2;
        std::uint32_t* row = out_.row(y / k_);
        for (int x = 0; x < out_.width(); ++x) {
            std::uint64_t* sum = &sums_[x * 3];
            row[x] = static_cast<std::uint32_t>((sum[0] + half) / box << 16 | (sum[1] + half) / box << 8 |
                                                (sum[2] + half) / box);
            sum[0] = sum[1] = sum[2] = 0;
        }
    }

private:
    Picture& out_;
    int k_;
    std::unique_ptr<std::uint64_t[]> sums_;
};

} // namespace wallcycle
