#pragma once
// Pictures that libraries decode as RGBA bytes.

#include "pictures/picture.h"

#include <cstring>

namespace wallcycle {

// A row of RGBA bytes to opaque pixels, drawn over black (`row` may be the same memory). Read as
// one little-endian word, R G B A is 0xAABBGGRR: byte-swapped, 0xRRGGBBAA.
inline void rgba_to_pixels(const unsigned char* rgba, std::uint32_t* row, int width) {
    for (int x = 0; x < width; ++x, rgba += 4) {
        std::uint32_t p;
        std::memcpy(&p, rgba, 4);
        row[x] = over_black(__builtin_bswap32(p) >> 8 | (p & 0xff000000u));
    }
}

} // namespace wallcycle
