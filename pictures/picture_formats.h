#pragma once
// Every picture format the program knows, in one table: how its files end in name, and whether
// it may go to a desktop or to Windows as it is. The folder walk and both windows' dialogs take
// their formats from here; a file's reader is chosen by the format its first bytes show.

#include <string>
#include <string_view>

namespace wallcycle {

enum class PictureFormat { jpeg, png, bmp, webp, heif, jxl, gif, tiff, ico, pnm, svg, xpm, unknown };

struct FormatRow {
    PictureFormat format;
    std::string_view endings; // of the files' names, lower case, blank-separated
    // Every desktop reads such a file itself (each toolkit's loaders always include it): it is
    // handed over as it is. Any other format goes as a picture made from the decoded pixels.
    bool desktops_read_it;
    // Windows' own decoder (GDI+) reads it, so the Windows program can set it.
    bool windows_reads_it;
};

// The format a file's first bytes (at least 16 where the file has them) show; unknown for text
// formats (SVG, XPM) and anything else.
PictureFormat format_of(std::string_view first_bytes);

// The table's row of a format.
const FormatRow& format_row(PictureFormat format);

// Whether a file's name ends like a picture of a known format (".jpg", ".PNG", ".heic", …).
bool looks_like_picture(std::string_view name);

// "*.jpg<separator>*.jpeg…": the name patterns of the formats a dialog offers (on Windows only
// those the system reads).
std::string picture_patterns(std::string_view separator, bool windows = false);

} // namespace wallcycle
