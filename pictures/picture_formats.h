#pragma once
// The picture formats of picture_format_table.h, as the whole program sees them: what a file's
// first bytes or its name say it is, and what may be done with it as it is.

#include "pictures/picture_format_table.h"
#include "platform/result.h"

#include <span>
#include <string>
#include <string_view>

namespace wallcycle {

enum class PictureFormat {
#define WALLCYCLE_FORMAT_NAME(name, ...) name,
    WALLCYCLE_PICTURE_FORMATS(WALLCYCLE_FORMAT_NAME)
#undef WALLCYCLE_FORMAT_NAME
        unknown
};

struct FormatRow {
    PictureFormat format;
    std::string_view endings;
    bool (*starts)(std::string_view first_bytes);
    Status (*complete)(std::string_view bytes);
    bool desktops_read_it;
    bool windows_reads_it;
};

// How many first bytes of a file tell its format.
inline constexpr std::size_t format_mark_size = 32;

std::span<const FormatRow> format_rows();

// The format a file's first bytes (format_mark_size of them where the file has them) show;
// unknown for text formats (SVG, XPM) and anything else.
PictureFormat format_of(std::string_view first_bytes);

// The table's row of a format.
const FormatRow& format_row(PictureFormat format);

// Whether a file's name ends like a picture of a known format (".jpg", ".PNG", ".heic", …).
bool looks_like_picture(std::string_view name);

// "*.jpg<separator>*.jpeg…": the name patterns of the formats a dialog offers (on Windows only
// those the system reads).
std::string picture_patterns(std::string_view separator, bool windows = false);

} // namespace wallcycle
