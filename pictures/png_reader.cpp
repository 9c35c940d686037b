#include "pictures/png_reader.h"

#include "pictures/box_average.h"
#include "pictures/picture_checks.h"
#include "pictures/rgba_pixels.h"
#include "pictures/spng_context.h"

#include <algorithm>
#include <memory>
#include <new>

namespace wallcycle {
namespace {

Failure damaged(int error) {
    return picture_damaged(spng_strerror(error));
}

constexpr std::string_view end_chunk("\0\0\0\0IEND\xae\x42\x60\x82", 12); // its checksum is always this

// The decoder set up on the file, and the picture's header read.
Result<spng_ihdr> start_decoder(spng_ctx* png, std::FILE* file) {
    spng_set_png_file(png, file);
    // Ancillary chunks (text, profiles) are never needed whole: a file cannot make us hold more.
    spng_set_chunk_limits(png, 64u << 20, 64u << 20);
    // Every chunk's checksum is checked, the compressed data's with the rest; zlib's own (Adler-32)
    // would only check the same bytes again, at a third of the decoding time.
    spng_set_crc_action(png, SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
    spng_ihdr header{};
    if (int error = spng_get_ihdr(png, &header); error != 0)
        return damaged(error);
    if (Status allowed = picture_size_allowed(header.width, header.height); !allowed)
        return fail(allowed.reason());
    return header;
}

// Every row into the picture, averaged by boxes of k x k: through one row of RGBA, or, for an
// interlaced picture (k is 1), in the picture's own rows, turned into pixels at the end. The
// request hears of the rows as they are done.
Status decode_rows(spng_ctx* png, Picture& p, int width, int k, bool interlaced,
                   const PictureRequest& request) {
    if (int error =
            spng_decode_image(png, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
        error != 0)
        return damaged(error);
    const std::size_t row_bytes = static_cast<std::size_t>(width) * 4;
    std::unique_ptr<unsigned char[]> line(interlaced ? nullptr : new (std::nothrow) unsigned char[row_bytes]);
    BoxAverage average(p, k);
    if ((!interlaced && !line) || (k > 1 && !average.ready()))
        return fail("there is not enough memory for the picture");
    const bool tell = request.rows_ready && request.into != nullptr && p.same_memory(*request.into);
    int told = 0;
    for (;;) {
        spng_row_info row{};
        int error = spng_get_row_info(png, &row);
        const int y = static_cast<int>(row.row_num);
        if (error == 0)
            error = spng_decode_row(png, interlaced ? reinterpret_cast<unsigned char*>(p.row(y)) : line.get(),
                                    row_bytes);
        if ((error == 0 || error == SPNG_EOI) && !interlaced && y / k < p.height()) {
            auto* pixels = k == 1 ? p.row(y) : reinterpret_cast<std::uint32_t*>(line.get());
            rgba_to_pixels(line.get(), pixels, width);
            if (k > 1)
                average.add(y, pixels);
            const int done = (y + 1) / k;
            if (tell && done > told && (done - told >= 128 || done == p.height())) {
                request.rows_ready(told, done - told);
                told = done;
            }
        }
        if (error == SPNG_EOI)
            break;
        if (error != 0)
            return damaged(error);
    }
    if (interlaced)
        for (int y = 0; y < p.height(); ++y)
            rgba_to_pixels(reinterpret_cast<const unsigned char*>(p.row(y)), p.row(y), p.width());
    return {};
}

// Up to the end chunk, whole: a file cut short anywhere is damaged, as on every system.
Status reaches_end_chunk(spng_ctx* png, std::FILE* file) {
    if (int error = spng_decode_chunks(png); error != 0)
        return damaged(error);
    char last[end_chunk.size()];
    if (std::fseek(file, -static_cast<long>(sizeof last), SEEK_END) != 0 ||
        std::fread(last, 1, sizeof last, file) != sizeof last ||
        std::string_view(last, sizeof last) != end_chunk)
        return picture_damaged("the file is cut short before its end chunk");
    return {};
}

} // namespace

Result<Picture> read_png_file(std::FILE* file, const PictureRequest& request) {
    SpngContext context(spng_ctx_new(SPNG_CTX_IGNORE_ADLER32));
    spng_ctx* png = context.get();
    if (png == nullptr)
        return fail("there is not enough memory for the picture");
    Result<spng_ihdr> header = start_decoder(png, file);
    if (!header)
        return fail(header.reason());
    // A picture larger than needed is averaged down while it is read, by whole boxes of k x k
    // pixels that still cover the request: only its rows' sums are held, never the whole picture.
    // An interlaced picture visits its rows in seven passes, so it is held whole (within the
    // bound on any picture).
    const bool interlaced = header->interlace_method != 0;
    const int width = static_cast<int>(header->width), height = static_cast<int>(header->height);
    const int k = interlaced ? 1 : box_factor({width, height}, request.cover);
    Result<Picture> picture = picture_memory({width / k, height / k}, request);
    if (!picture)
        return picture;
    if (Status decoded = decode_rows(png, picture.value(), width, k, interlaced, request); !decoded)
        return fail(decoded.reason());
    if (Status whole = reaches_end_chunk(png, file); !whole)
        return fail(whole.reason());
    return picture;
}

} // namespace wallcycle
