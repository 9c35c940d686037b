#include "pictures/picture_formats.h"

#include "pictures/picture_structure.h"

#include <algorithm>
#include <cctype>

namespace wallcycle {
namespace {

bool starts_with(std::string_view bytes, std::string_view mark, std::size_t at = 0) {
    return bytes.size() >= at + mark.size() && bytes.substr(at, mark.size()) == mark;
}

bool starts_jpeg(std::string_view b) {
    return starts_with(b, "\xff\xd8\xff");
}

bool starts_png(std::string_view b) {
    return starts_with(b, {"\x89PNG\r\n\x1a\n", 8});
}

bool starts_bmp(std::string_view b) {
    return starts_with(b, "BM");
}

bool starts_webp(std::string_view b) {
    return starts_with(b, "RIFF") && starts_with(b, "WEBP", 8);
}

// An extended WebP whose header flags an animation.
bool starts_animated_webp(std::string_view b) {
    return starts_webp(b) && starts_with(b, "VP8X", 12) && b.size() > 20 && (b[20] & 0x02) != 0;
}

bool starts_still_webp(std::string_view b) {
    return starts_webp(b) && !starts_animated_webp(b);
}

// An ISO media file with a brand that holds a HEIF still image (HEIC, AVIF and their sequences).
bool starts_heif(std::string_view b) {
    if (!starts_with(b, "ftyp", 4) || b.size() < 12)
        return false;
    for (std::string_view brand :
         {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"})
        if (b.substr(8, 4) == brand)
            return true;
    return false;
}

// A bare JPEG XL code stream, or one in its box container.
bool starts_jxl(std::string_view b) {
    return starts_with(b, "\xff\x0a") || starts_with(b, {"\0\0\0\x0cJXL \r\n\x87\n", 12});
}

bool starts_gif(std::string_view b) {
    return starts_with(b, "GIF87a") || starts_with(b, "GIF89a");
}

bool starts_tiff(std::string_view b) {
    return starts_with(b, {"II*\0", 4}) || starts_with(b, {"MM\0*", 4});
}

bool starts_ico(std::string_view b) {
    return starts_with(b, {"\0\0\1\0", 4});
}

bool starts_pnm(std::string_view b) {
    return b.size() >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6';
}

constexpr FormatRow rows[] = {
#define WALLCYCLE_FORMAT_ROW(name, endings, starts, reader, complete, desktops, windows)                     \
    {PictureFormat::name, endings, starts, complete, desktops, windows},
    WALLCYCLE_PICTURE_FORMATS(WALLCYCLE_FORMAT_ROW)
#undef WALLCYCLE_FORMAT_ROW
};

template <typename Each> void for_each_ending(std::string_view endings, Each each) {
    while (!endings.empty()) {
        auto blank = endings.find(' ');
        each(endings.substr(0, blank));
        if (blank == std::string_view::npos)
            break;
        endings.remove_prefix(blank + 1);
    }
}

} // namespace

std::span<const FormatRow> format_rows() {
    return rows;
}

const FormatRow& format_row(PictureFormat format) {
    static constexpr FormatRow none{PictureFormat::unknown, "", nullptr, nullptr, false, false};
    for (const FormatRow& row : rows)
        if (row.format == format)
            return row;
    return none;
}

PictureFormat format_of(std::string_view first_bytes) {
    for (const FormatRow& row : rows)
        if (row.starts != nullptr && row.starts(first_bytes))
            return row.format;
    return PictureFormat::unknown;
}

bool looks_like_picture(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string ending(name.substr(dot + 1));
    std::transform(ending.begin(), ending.end(), ending.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    bool known = false;
    for (const FormatRow& row : rows)
        for_each_ending(row.endings, [&](std::string_view e) { known = known || e == ending; });
    return known;
}

std::string picture_patterns(std::string_view separator, bool windows) {
    std::string patterns;
    for (const FormatRow& row : rows)
        if (!windows || row.windows_reads_it)
            for_each_ending(row.endings, [&](std::string_view e) {
                patterns += (patterns.empty() ? "" : std::string(separator)) + "*." + std::string(e);
            });
    return patterns;
}

} // namespace wallcycle
