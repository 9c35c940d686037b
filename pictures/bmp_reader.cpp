#include "pictures/bmp_reader.h"

#include "pictures/picture_checks.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace wallcycle {
namespace {

std::uint32_t little(std::string_view bytes, std::size_t at, int length) {
    std::uint32_t value = 0;
    for (int i = length - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

enum Compression : std::uint32_t { plain = 0, rle8 = 1, rle4 = 2, bit_fields = 3, alpha_bit_fields = 6 };

// One colour channel of a bit-field pixel, widened to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t top = 0; // the largest value of the channel

    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            top = (std::uint64_t{mask} >> shift);
        }
    }
    std::uint32_t operator()(std::uint32_t pixel) const {
        if (top == 0)
            return 0;
        if (top == 255)
            return (pixel & mask) >> shift;
        return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / top);
    }
};

struct Header {
    long long width = 0, height = 0;
    bool top_down = false;
    int bits = 0;
    std::uint32_t compression = plain;
    std::size_t pixels_at = 0;
    std::array<std::uint32_t, 256> palette{}; // 0x00RRGGBB; entries past the file's are black
    Channel red, green, blue;
};

// Size, depth and compression, from the OS/2 header (12 bytes) or any Windows header.
Status read_dimensions(std::string_view bytes, bool core, Header& h) {
    int planes = 0;
    if (core) {
        h.width = little(bytes, 18, 2);
        h.height = little(bytes, 20, 2);
        planes = static_cast<int>(little(bytes, 22, 2));
        h.bits = static_cast<int>(little(bytes, 24, 2));
    } else {
        h.width = static_cast<std::int32_t>(little(bytes, 18, 4));
        h.height = static_cast<std::int32_t>(little(bytes, 22, 4));
        planes = static_cast<int>(little(bytes, 26, 2));
        h.bits = static_cast<int>(little(bytes, 28, 2));
        h.compression = little(bytes, 30, 4);
    }
    if (planes != 1)
        return picture_damaged("its header names " + std::to_string(planes) + " planes");
    if (h.height < 0) {
        h.top_down = true;
        h.height = -h.height;
    }
    if (Status allowed = picture_size_allowed(h.width, h.height); !allowed)
        return allowed;
    const int b = h.bits;
    const std::uint32_t c = h.compression;
    bool known = (c == plain && (b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32)) ||
                 (c == rle8 && b == 8) || (c == rle4 && b == 4) ||
                 ((c == bit_fields || c == alpha_bit_fields) && (b == 16 || b == 32));
    if (!known)
        return fail("not an image in a format this program reads (" + std::to_string(b) +
                    "-bit bitmap, compression " + std::to_string(c) + ")");
    if (h.top_down && (c == rle8 || c == rle4))
        return picture_damaged("a compressed bitmap cannot be top-down");
    return {};
}

// The colour masks of 16 and 32 bits a pixel, or the colour table of 8 bits and fewer.
Status read_colours(std::string_view bytes, std::size_t info, Header& h) {
    const int b = h.bits;
    const std::uint32_t c = h.compression;
    const bool core = info == 12;
    std::size_t after_header = 14 + info;
    if (c == bit_fields || c == alpha_bit_fields) {
        std::size_t masks_at = 54; // inside a larger header, or following the 40-byte one
        if (info == 40)
            after_header += c == bit_fields ? 12 : 16;
        if (bytes.size() < masks_at + 12)
            return picture_damaged("the file is cut short in its colour masks");
        h.red = Channel(little(bytes, masks_at, 4));
        h.green = Channel(little(bytes, masks_at + 4, 4));
        h.blue = Channel(little(bytes, masks_at + 8, 4));
    } else if (b == 16) {
        h.red = Channel(0x7c00), h.green = Channel(0x03e0), h.blue = Channel(0x001f);
    } else if (b == 32) {
        h.red = Channel(0xff0000), h.green = Channel(0xff00), h.blue = Channel(0xff);
    }
    if (b <= 8) {
        std::size_t used = core ? 0 : little(bytes, 46, 4);
        std::size_t count = used == 0 || used > (1u << b) ? (1u << b) : used;
        std::size_t entry = core ? 3 : 4;
        // Files that name no count may hold fewer entries, up to where the pixels start.
        if (h.pixels_at > after_header)
            count = std::min(count, (h.pixels_at - after_header) / entry);
        if (after_header + count * entry > bytes.size())
            return picture_damaged("the file is cut short in its colour table");
        for (std::size_t i = 0; i < count; ++i)
            h.palette[i] = little(bytes, after_header + i * entry, 3);
    }
    return {};
}

Result<Header> read_header(std::string_view bytes) {
    if (bytes.size() < 26)
        return picture_damaged("the file is cut short in its header");
    Header h;
    h.pixels_at = little(bytes, 10, 4);
    const std::size_t info = little(bytes, 14, 4);
    bool core = info == 12;
    if (!core && info != 40 && info != 52 && info != 56 && info != 64 && info != 108 && info != 124)
        return picture_damaged("unknown header size " + std::to_string(info));
    if (bytes.size() < 14 + info)
        return picture_damaged("the file is cut short in its header");
    if (Status read = read_dimensions(bytes, core, h); !read)
        return fail(read.reason());
    if (Status read = read_colours(bytes, info, h); !read)
        return fail(read.reason());
    if (h.pixels_at < 14 + info || h.pixels_at > bytes.size())
        return picture_damaged("its pixels are said to start at byte " + std::to_string(h.pixels_at) +
                               " of " + std::to_string(bytes.size()));
    return h;
}

void read_plain(std::string_view bytes, const Header& h, Picture& picture) {
    const long long row_bytes = (h.width * h.bits + 31) / 32 * 4;
    const int width = picture.width();
    const bool plain_32 =
        h.bits == 32 && h.red.mask == 0xff0000 && h.green.mask == 0xff00 && h.blue.mask == 0xff;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* in = reinterpret_cast<const unsigned char*>(bytes.data()) + h.pixels_at +
                         row_bytes * (h.top_down ? y : picture.height() - 1 - y);
        std::uint32_t* out = picture.row(y);
        if (h.bits == 24) {
            for (int x = 0; x < width; ++x, in += 3)
                out[x] = std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0];
        } else if (plain_32) {
            for (int x = 0; x < width; ++x, in += 4)
                out[x] = std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0];
        } else if (h.bits >= 16) {
            for (int x = 0; x < width; ++x) {
                std::uint32_t p = 0;
                for (int k = h.bits / 8 - 1; k >= 0; --k)
                    p = p << 8 | in[x * h.bits / 8 + k];
                out[x] = h.red(p) << 16 | h.green(p) << 8 | h.blue(p);
            }
        } else { // 1, 4 or 8 bits: indices into the colour table, first pixel in the high bits
            const int per_byte = 8 / h.bits, mask = (1 << h.bits) - 1;
            for (int x = 0; x < width; ++x) {
                int shift = 8 - h.bits * (x % per_byte + 1);
                out[x] = h.palette[static_cast<std::size_t>(in[x / per_byte] >> shift & mask)];
            }
        }
    }
}

// Run-length encoded rows (bottom-up). Pixels a run never reaches stay black.
Status read_rle(std::string_view bytes, const Header& h, Picture& picture) {
    const int width = picture.width(), height = picture.height();
    for (int y = 0; y < height; ++y)
        std::fill(picture.row(y), picture.row(y) + width, 0u);
    const bool four = h.compression == rle4;
    auto put = [&](int x, int y, int index) {
        if (x < width && y < height)
            picture.row(height - 1 - y)[x] = h.palette[static_cast<std::size_t>(index)];
    };
    std::size_t at = h.pixels_at;
    int x = 0, y = 0;
    auto need = [&](std::size_t n) { return at + n <= bytes.size(); };
    while (y < height) {
        if (!need(2))
            return fail("the picture is damaged: the file is cut short in its compressed pixels");
        int count = static_cast<unsigned char>(bytes[at]), value = static_cast<unsigned char>(bytes[at + 1]);
        at += 2;
        if (count > 0) { // a run of one value (two alternating ones for RLE4)
            for (int i = 0; i < count; ++i)
                put(x + i, y, four ? (i % 2 ? value & 15 : value >> 4) : value);
            x = std::min(x + count, width);
            continue;
        }
        if (value == 0) { // end of the row
            x = 0, ++y;
        } else if (value == 1) { // end of the picture
            return {};
        } else if (value == 2) { // move right and up
            if (!need(2))
                return fail("the picture is damaged: the file is cut short in its compressed pixels");
            x = std::min(x + static_cast<unsigned char>(bytes[at]), width);
            y += static_cast<unsigned char>(bytes[at + 1]);
            at += 2;
        } else { // `value` pixels as they are, padded to a whole 16-bit word
            std::size_t length = four ? (static_cast<std::size_t>(value) + 1) / 2 : value;
            if (!need(length))
                return fail("the picture is damaged: the file is cut short in its compressed pixels");
            for (int i = 0; i < value; ++i) {
                auto byte =
                    static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(four ? i / 2 : i)]);
                put(x + i, y, four ? (i % 2 ? byte & 15 : byte >> 4) : byte);
            }
            x = std::min(x + value, width);
            at += length + length % 2;
        }
    }
    return {}; // every row is there; the end mark may be missing after the last one
}

} // namespace

Result<Picture> read_bmp(std::string_view bytes, const PictureRequest& request) {
    Result<Header> header = read_header(bytes);
    if (!header)
        return fail(header.reason());
    const Header& h = header.value();
    const bool compressed = h.compression == rle8 || h.compression == rle4;
    // Checked before the memory is taken: a 70-byte file may claim 10000x10000 pixels.
    if (!compressed) {
        const long long needed =
            static_cast<long long>(h.pixels_at) + (h.width * h.bits + 31) / 32 * 4 * h.height;
        if (static_cast<long long>(bytes.size()) < needed)
            return fail("the picture is damaged: the file is cut short: its " + std::to_string(h.width) +
                        "x" + std::to_string(h.height) + " pixels need " + std::to_string(needed) +
                        " bytes, the file has " + std::to_string(bytes.size()));
    }
    Result<Picture> picture =
        picture_memory({static_cast<int>(h.width), static_cast<int>(h.height)}, request);
    if (!picture)
        return picture;
    if (!compressed) {
        read_plain(bytes, h, picture.value());
    } else if (Status read = read_rle(bytes, h, picture.value()); !read) {
        return fail(read.reason());
    }
    return picture;
}

} // namespace wallcycle
