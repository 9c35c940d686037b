#include "pictures/picture_structure.h"

#include "pictures/bmp_reader.h"
#include "pictures/picture_checks.h"
#include "pictures/picture_formats.h"

#include <array>
#include <cstdint>

namespace wallcycle {
namespace {

std::uint32_t big_endian(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::uint32_t crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xffffffffu;
    for (char byte : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xff] ^ (crc >> 8);
    return ~crc;
}

} // namespace

Status png_complete(std::string_view bytes) {
    for (std::size_t at = 8;;) {
        if (bytes.size() - at < 12)
            return picture_damaged("the file is cut short before its end chunk");
        std::uint32_t length = big_endian(bytes, at);
        if (length > bytes.size() - at - 12)
            return picture_damaged("the file is cut short in a chunk");
        std::string_view typed = bytes.substr(at + 4, 4 + std::size_t{length});
        if (crc32(typed) != big_endian(bytes, at + 8 + length))
            return picture_damaged("a " + std::string(typed.substr(0, 4)) + " chunk has a bad checksum");
        if (typed.substr(0, 4) == "IEND")
            return {};
        at += 12 + std::size_t{length};
    }
}

Status jpeg_complete(std::string_view bytes) {
    // Segments up to the first scan; the end mark must follow it (markers in the compressed data
    // are escaped, so the first one found is real).
    for (std::size_t at = 2; at + 4 <= bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) != 0xff)
            return picture_damaged("a JPEG segment is broken");
        auto marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xff) {
            ++at;
            continue;
        }
        std::size_t length = static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
                             static_cast<unsigned char>(bytes[at + 3]);
        if (marker == 0xda)
            return bytes.find("\xff\xd9", at + 2 + length) != std::string_view::npos
                       ? Status()
                       : picture_damaged("the file is cut short before its end mark");
        at += 2 + length;
    }
    return picture_damaged("the file is cut short before its pixels");
}

Status bmp_complete(std::string_view bytes) {
    Result<Picture> read = read_bmp(bytes);
    return read ? Status() : fail(read.reason());
}

Status webp_complete(std::string_view bytes) {
    if (bytes.size() < 8)
        return picture_damaged("the file is cut short");
    std::uint32_t length = static_cast<unsigned char>(bytes[4]) | static_cast<unsigned char>(bytes[5]) << 8 |
                           static_cast<unsigned char>(bytes[6]) << 16 |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[7])) << 24;
    return bytes.size() - 8 >= length ? Status() : picture_damaged("the file is cut short");
}

Status gif_complete(std::string_view bytes) {
    if (bytes.size() < 14 || bytes.back() != ';')
        return picture_damaged("the file is cut short before its trailer");
    return {};
}

Status picture_complete(std::string_view bytes) {
    const FormatRow& row = format_row(format_of(bytes));
    return row.complete != nullptr ? row.complete(bytes) : Status();
}

} // namespace wallcycle
