#pragma once
// Averaging a picture down while it is decoded, so that it is never held whole at its full size.

#include "pictures/picture.h"

#include <algorithm>
#include <cstdint>
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

// Sums pixels in boxes of k x k and writes each finished row of averages into `out`, whose pixels
// stand for k x k of the pixels given. Rows may come in pieces, in any order within a band of
// `band` rows (a row of tiles); only the sums of the rows of boxes that band touches are held.
class BoxAverage {
public:
    BoxAverage(Picture& out, int k, int band = 1)
        : out_(out), k_(k), slots_((band + k - 2) / k + 1), wide_(k > 16) {
        const std::size_t count = static_cast<std::size_t>(out.width()) * 3 * slots_;
        // Up to 16 x 16 samples of 255 fit in 16 bits: half the memory for the common case.
        if (wide_)
            wide_sums_.reset(new (std::nothrow) std::uint32_t[count]());
        else
            narrow_sums_.reset(new (std::nothrow) std::uint16_t[count]());
    }

    bool ready() const { return wide_ ? wide_sums_ != nullptr : narrow_sums_ != nullptr; }

    // Pixels [x, x + count) of row y. Pixels right of the last whole box, and rows below it, are
    // left out.
    void add(int y, int x, const std::uint32_t* pixels, int count) {
        if (wide_)
            add_to(wide_sums_.get(), y, x, pixels, count);
        else
            add_to(narrow_sums_.get(), y, x, pixels, count);
    }

    // A whole row, given in order from the top.
    void add(int y, const std::uint32_t* pixels) {
        add(y, 0, pixels, out_.width() * k_);
        done(y + 1);
    }

    // Every row above `y` has been given in full: the rows of boxes they finish are written out.
    void done(int y) {
        for (; written_ < out_.height() && (written_ + 1) * k_ <= y; ++written_) {
            if (wide_)
                write(wide_sums_.get(), written_);
            else
                write(narrow_sums_.get(), written_);
        }
    }

private:
    template <typename Sum> Sum* slot(Sum* sums, int box_row) const {
        return sums + static_cast<std::size_t>(box_row % slots_) * out_.width() * 3;
    }

    template <typename Sum> void add_to(Sum* sums, int y, int x, const std::uint32_t* pixels, int count) {
        if (y / k_ >= out_.height())
            return;
        Sum* row = slot(sums, y / k_);
        const int end = std::min(x + count, out_.width() * k_);
        for (int i = x; i < end; ++i) {
            const std::uint32_t pixel = pixels[i - x];
            Sum* sum = row + static_cast<std::size_t>(i / k_) * 3;
            sum[0] = static_cast<Sum>(sum[0] + (pixel >> 16 & 0xff));
            sum[1] = static_cast<Sum>(sum[1] + (pixel >> 8 & 0xff));
            sum[2] = static_cast<Sum>(sum[2] + (pixel & 0xff));
        }
    }

    template <typename Sum> void write(Sum* sums, int box_row) {
        const std::uint32_t box = static_cast<std::uint32_t>(k_) * k_, half = box / 2;
        Sum* sum = slot(sums, box_row);
        std::uint32_t* row = out_.row(box_row);
        for (int x = 0; x < out_.width(); ++x, sum += 3) {
            row[x] = (sum[0] + half) / box << 16 | (sum[1] + half) / box << 8 | (sum[2] + half) / box;
            sum[0] = sum[1] = sum[2] = 0;
        }
    }

    Picture& out_;
    int k_;
    int slots_; // rows of boxes whose sums are held at once
    bool wide_; // sums in 32 bits (boxes over 16 x 16)
    int written_ = 0;
    std::unique_ptr<std::uint16_t[]> narrow_sums_;
    std::unique_ptr<std::uint32_t[]> wide_sums_;
};

} // namespace wallcycle
