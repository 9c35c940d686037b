#include "pictures/picture_scaling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace wallcycle {
namespace {

// For each output pixel along one axis, the source pixels it is made of and their weights.
struct Taps {
    int width = 0; // weights per output pixel, unused ones zero
    std::vector<int> first;
    std::vector<float> weights;

    int lowest() const { return first.empty() ? 0 : *std::min_element(first.begin(), first.end()); }
    int highest() const { // one past the last source pixel used
        int high = 0;
        for (std::size_t i = 0; i < first.size(); ++i)
            for (int k = width - 1; k >= 0; --k)
                if (weights[i * width + k] != 0.0f) {
                    high = std::max(high, first[i] + k + 1);
                    break;
                }
        return high;
    }
};

// `scale` output pixels per source pixel; output pixel 0 starts at source position `start`, and
// only source pixels within [start, start + out / scale) are used.
Taps taps_for(int out, double scale, double start, int source_length) {
    Taps taps;
    int low = std::clamp(static_cast<int>(std::floor(start)), 0, source_length - 1);
    int high = std::clamp(static_cast<int>(std::ceil(start + out / scale - 1e-9)), low + 1, source_length);
    taps.width = scale < 1.0 ? static_cast<int>(std::ceil(1.0 / scale)) + 2 : 2;
    taps.first.resize(static_cast<std::size_t>(out));
    taps.weights.assign(static_cast<std::size_t>(out) * taps.width, 0.0f);
    for (int i = 0; i < out; ++i) {
        float* w = &taps.weights[static_cast<std::size_t>(i) * taps.width];
        if (scale < 1.0) { // the share of each source pixel under this output pixel
            double a = start + i / scale, b = start + (i + 1) / scale;
            int j0 = std::clamp(static_cast<int>(std::floor(a)), low, high - 1);
            taps.first[i] = j0;
            double total = 0;
            for (int k = 0; k < taps.width && j0 + k < high; ++k) {
                double overlap = std::min(b, j0 + k + 1.0) - std::max(a, static_cast<double>(j0 + k));
                if (overlap > 0) {
                    w[k] = static_cast<float>(overlap);
                    total += overlap;
                }
            }
            for (int k = 0; k < taps.width; ++k)
                w[k] = total > 0 ? static_cast<float>(w[k] / total) : (k == 0 ? 1.0f : 0.0f);
        } else { // between the two nearest source pixels
            double centre = start + (i + 0.5) / scale - 0.5;
            int j0 = static_cast<int>(std::floor(centre));
            double f = centre - j0;
            int a = std::clamp(j0, low, high - 1), b = std::clamp(j0 + 1, low, high - 1);
            taps.first[i] = a;
            w[0] = static_cast<float>(1.0 - f);
            w[b - a] += static_cast<float>(f); // b - a is 0 or 1
        }
    }
    return taps;
}

std::uint32_t pack(float r, float g, float b) {
    auto channel = [](float v) { return static_cast<std::uint32_t>(std::clamp(v + 0.5f, 0.0f, 255.0f)); };
    return channel(r) << 16 | channel(g) << 8 | channel(b);
}

} // namespace

void cover_into(const Picture& source, Picture& target) {
    const Size from = source.size(), to = target.size();
    if (from == to) {
        if (!source.same_memory(target))
            for (int y = 0; y < to.height; ++y)
                std::memcpy(target.row(y), source.row(y), static_cast<std::size_t>(to.width) * 4);
        return;
    }
    double scale = cover_scale(from, to);
    double left = (from.width - to.width / scale) / 2, top = (from.height - to.height / scale) / 2;
    // The picture is only cut, not scaled.
    if (scale == 1.0 && left == std::floor(left) && top == std::floor(top)) {
        for (int y = 0; y < to.height; ++y)
            std::memcpy(target.row(y), source.row(y + static_cast<int>(top)) + static_cast<int>(left),
                        static_cast<std::size_t>(to.width) * 4);
        return;
    }
    Taps columns = taps_for(to.width, scale, left, from.width);
    Taps rows = taps_for(to.height, scale, top, from.height);
    // Each output row: the source rows under it are blended into one line, which is then
    // resampled along the row.
    const int x0 = columns.lowest(), x1 = columns.highest();
    std::vector<float> line(static_cast<std::size_t>(x1 - x0) * 3);
    for (int y = 0; y < to.height; ++y) {
        std::fill(line.begin(), line.end(), 0.0f);
        for (int k = 0; k < rows.width; ++k) {
            float w = rows.weights[static_cast<std::size_t>(y) * rows.width + k];
            if (w == 0.0f)
                continue;
            const std::uint32_t* in = source.row(rows.first[y] + k);
            float* acc = line.data();
            for (int x = x0; x < x1; ++x, acc += 3) {
                std::uint32_t p = in[x];
                acc[0] += w * static_cast<float>(p >> 16 & 0xff);
                acc[1] += w * static_cast<float>(p >> 8 & 0xff);
                acc[2] += w * static_cast<float>(p & 0xff);
            }
        }
        std::uint32_t* out = target.row(y);
        for (int x = 0; x < to.width; ++x) {
            float r = 0, g = 0, b = 0;
            const float* w = &columns.weights[static_cast<std::size_t>(x) * columns.width];
            const float* acc = &line[static_cast<std::size_t>(columns.first[x] - x0) * 3];
            for (int k = 0; k < columns.width; ++k, acc += 3)
                if (w[k] != 0.0f) {
                    r += w[k] * acc[0];
                    g += w[k] * acc[1];
                    b += w[k] * acc[2];
                }
            out[x] = pack(r, g, b);
        }
    }
}

Result<Picture> oriented(Picture source, int orientation) {
    if (orientation < 2 || orientation > 8)
        return source;
    const int w = source.width(), h = source.height();
    const bool turned = orientation >= 5;
    Result<Picture> made = Picture::make(turned ? Size{h, w} : Size{w, h});
    if (!made)
        return made;
    Picture& out = made.value();
    const int W = out.width(), H = out.height();
    for (int y = 0; y < H; ++y) {
        std::uint32_t* to = out.row(y);
        for (int x = 0; x < W; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2:
                sx = W - 1 - x;
                break;
            case 3:
                sx = W - 1 - x, sy = H - 1 - y;
                break;
            case 4:
                sy = H - 1 - y;
                break;
            case 5:
                sx = y, sy = x;
                break;
            case 6:
                sx = y, sy = W - 1 - x;
                break;
            case 7:
                sx = H - 1 - y, sy = W - 1 - x;
                break;
            case 8:
                sx = H - 1 - y, sy = x;
                break;
            }
            to[x] = source.row(sy)[sx];
        }
    }
    return made;
}

Result<Picture> as_requested(Picture full, const PictureRequest& request) {
    if (!request.cover.valid())
        return full;
    Size wanted = request.crop ? request.cover : cover_size(full.size(), request.cover);
    bool into_other =
        request.into != nullptr && request.into->size() == wanted && !full.same_memory(*request.into);
    if (wanted == full.size() && !into_other)
        return full;
    Result<Picture> shown = picture_memory(wanted, request);
    if (!shown)
        return shown;
    cover_into(full, shown.value());
    return shown;
}

} // namespace wallcycle
