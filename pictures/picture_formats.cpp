#include "pictures/picture_formats.h"

#include <algorithm>
#include <cctype>

namespace wallcycle {
namespace {

using enum PictureFormat;

constexpr FormatRow rows[] = {
    {jpeg, "jpg jpeg jpe jfif", true, true},
    {png, "png", true, true},
    {bmp, "bmp dib", false, true},
    {webp, "webp", false, false},
    {heif, "heic heif avif", false, false},
    {jxl, "jxl", false, false},
    {gif, "gif", false, true},
    {tiff, "tif tiff", false, true},
    {ico, "ico", false, false},
    {pnm, "ppm pgm pbm", false, false},
    {svg, "svg svgz", false, false},
    {xpm, "xpm", false, false},
};

// The brands of an ISO media file that hold a HEIF still image (HEIC, AVIF and their sequences).
bool heif_brand(std::string_view brand) {
    for (std::string_view known :
         {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"})
        if (brand == known)
            return true;
    return false;
}

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

const FormatRow& format_row(PictureFormat format) {
    static constexpr FormatRow none{unknown, "", false, false};
    for (const FormatRow& row : rows)
        if (row.format == format)
            return row;
    return none;
}

PictureFormat format_of(std::string_view b) {
    auto starts = [&](std::string_view magic) { return b.substr(0, magic.size()) == magic; };
    if (starts("\xff\xd8\xff"))
        return jpeg;
    if (starts(std::string_view("\x89PNG\r\n\x1a\n", 8)))
        return png;
    if (starts("BM"))
        return bmp;
    if (b.size() >= 12 && starts("RIFF") && b.substr(8, 4) == "WEBP")
        return webp;
    if (b.size() >= 12 && b.substr(4, 4) == "ftyp" && heif_brand(b.substr(8, 4)))
        return heif;
    if (starts("\xff\x0a") || starts(std::string_view("\0\0\0\x0cJXL \r\n\x87\n", 12)))
        return jxl;
    if (starts("GIF87a") || starts("GIF89a"))
        return gif;
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)))
        return tiff;
    if (starts(std::string_view("\0\0\1\0", 4)))
        return ico;
    if (b.size() >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6')
        return pnm;
    return unknown;
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
