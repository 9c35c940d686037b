#include "pictures/jpeg_reader.h"

#include "pictures/picture_checks.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_scaling.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>

namespace wallcycle {
namespace {

// libjpeg reports through callbacks that must not return: they jump back to the decode.
struct Decode {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX] = {};
    bool too_large = false;
};

[[noreturn]] void stop(j_common_ptr info) {
    auto* decode = reinterpret_cast<Decode*>(info->client_data);
    (*info->err->format_message)(info, decode->message);
    decode->too_large = info->err->msg_code == JERR_NO_BACKING_STORE;
    std::longjmp(decode->back, 1);
}

// Warnings about missing or corrupt data are damage: the decoder would go on and show grey.
void on_message(j_common_ptr info, int level) {
    if (level != -1)
        return;
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        stop(info);
    default:
        break; // remarks on the file's conventions, not its pixels
    }
}

// The smallest of libjpeg's scales (M/8) that still covers the request.
int eighths_needed(Size stored, Size cover) {
    if (!cover.valid())
        return 8;
    for (int m = 1; m < 8; ++m)
        if ((stored.width * static_cast<long long>(m) + 7) / 8 >= cover.width &&
            (stored.height * static_cast<long long>(m) + 7) / 8 >= cover.height)
            return m;
    return 8;
}

// Adobe's CMYK (stored inverted, as Photoshop writes it) to RGB, in place.
void cmyk_to_rgb(Picture& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        auto* p = reinterpret_cast<unsigned char*>(picture.row(y));
        for (int x = 0; x < picture.width(); ++x, p += 4) {
            unsigned k = p[3];
            picture.row(y)[x] = (p[0] * k / 255) << 16 | (p[1] * k / 255) << 8 | (p[2] * k / 255);
        }
    }
}

// Everything that may be jumped over lives in `decode` or `out`, which outlive the jump.
bool decode_into(Decode& decode, std::string_view bytes, const PictureRequest& request, Result<Picture>& out,
                 int& orientation) {
    jpeg_decompress_struct& info = decode.info;
    if (setjmp(decode.back) != 0)
        return false;
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(&info, TRUE);
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && orientation == 1)
            orientation = exif_orientation({reinterpret_cast<const char*>(m->data), m->data_length});
    if (Status allowed = picture_size_allowed(info.image_width, info.image_height); !allowed) {
        out = fail(allowed.reason());
        return true;
    }
    Size cover = orientation >= 5 ? Size{request.cover.height, request.cover.width} : request.cover;
    info.scale_num = static_cast<unsigned>(
        eighths_needed({static_cast<int>(info.image_width), static_cast<int>(info.image_height)}, cover));
    info.scale_denom = 8;
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&info);
    Size size{static_cast<int>(info.output_width), static_cast<int>(info.output_height)};
    // A picture to be turned is turned into memory of its own afterwards.
    out = orientation == 1 ? picture_memory(size, request) : Picture::make(size);
    if (!out)
        return true;
    jpeg_start_decompress(&info);
    Picture& picture = out.value();
    const bool tell =
        request.rows_ready && request.into != nullptr && picture.same_memory(*request.into) && !cmyk;
    JDIMENSION told = 0;
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION first = info.output_scanline;
        JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = reinterpret_cast<JSAMPROW>(picture.row(static_cast<int>(first + i)));
        jpeg_read_scanlines(&info, rows, count);
        // In bands of 128 rows: enough for the server to work on while the next are decoded.
        if (tell && (info.output_scanline - told >= 128 || info.output_scanline == info.output_height)) {
            request.rows_ready(static_cast<int>(told), static_cast<int>(info.output_scanline - told));
            told = info.output_scanline;
        }
    }
    jpeg_finish_decompress(&info); // reads to the end: data missing after the last row is damage too
    if (cmyk)
        cmyk_to_rgb(picture);
    return true;
}

} // namespace

int exif_orientation(std::string_view app1) {
    if (app1.size() < 14 || app1.substr(0, 6) != std::string_view("Exif\0\0", 6))
        return 1;
    std::string_view tiff = app1.substr(6);
    bool little = tiff.substr(0, 2) == "II";
    if (!little && tiff.substr(0, 2) != "MM")
        return 1;
    auto number = [&](std::size_t at, int length) {
        std::uint32_t value = 0;
        for (int i = 0; i < length; ++i)
            value = value << 8 | static_cast<unsigned char>(
                                     tiff[at + static_cast<std::size_t>(little ? length - 1 - i : i)]);
        return value;
    };
    std::size_t ifd = number(4, 4);
    if (ifd > tiff.size() || tiff.size() - ifd < 2)
        return 1;
    std::size_t entries = number(ifd, 2);
    for (std::size_t i = 0; i < entries; ++i) {
        std::size_t entry = ifd + 2 + 12 * i;
        if (entry + 12 > tiff.size())
            break;
        if (number(entry, 2) == 0x0112) { // Orientation, a SHORT
            std::uint32_t value = number(entry + 8, 2);
            return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
    }
    return 1;
}

Result<Picture> read_jpeg(std::string_view bytes, const PictureRequest& request) {
    Decode decode;
    decode.info.err = jpeg_std_error(&decode.errors);
    decode.errors.error_exit = stop;
    decode.errors.emit_message = on_message;
    decode.info.client_data = &decode;
    jpeg_create_decompress(&decode.info);
    // A progressive picture is held whole while its scans come in: bounded like any picture.
    decode.info.mem->max_memory_to_use = largest_image_bytes;
    Result<Picture> out = fail("");
    int orientation = 1;
    bool decoded = decode_into(decode, bytes, request, out, orientation);
    jpeg_destroy_decompress(&decode.info);
    if (!decoded)
        return decode.too_large ? fail("the image is too large to decode within " +
                                       std::to_string(largest_image_bytes >> 20) + " MiB")
                                : picture_damaged(decode.message);
    if (!out || orientation == 1)
        return out;
    return oriented(std::move(out.value()), orientation);
}

} // namespace wallcycle
