#pragma once
// Every picture format the program knows, one row each. The enum, the formats' first bytes, the
// folder walk, both windows' dialogs, the readers and the checks Windows needs are all made from
// these rows, each build taking the columns it can link (the Windows program has none of the
// readers).
//
// To add a format: a row here. Give it a test of its first bytes (in picture_formats.cpp; null for
// a text format, which is told only by its file's name), and either a reader of ours (a file in
// pictures/, taking the file's bytes or its open stream and a PictureRequest, as read_jpeg does)
// or read_with_module, which hands it to Qt's image readers. Then add a file of it to the
// readers' test.
//
// The columns:
//   name       the PictureFormat
//   endings    of its files' names, lower case, blank-separated ("" when it is never named apart)
//   starts     whether a file's first 32 bytes (or all it has) are of this format
//   reader     the reader on Linux
//   complete   the check that the whole file is there, made before Windows' own decoder reads it
//              (null: not looked at)
//   desktops   every desktop reads such a file itself (each toolkit's loaders always include it),
//              so it is handed over as it is; any other format goes as a picture of ours, made
//              from the decoded pixels
//   windows    Windows' own decoder (GDI+) reads it, so the Windows program can set it
//
// clang-format off
// ROW(name,      endings,             starts,              reader,           complete,       desktops, windows)
#define WALLCYCLE_PICTURE_FORMATS(ROW)                                                                      \
    ROW(jpeg,          "jpg jpeg jpe jfif", starts_jpeg,          read_jpeg,        jpeg_complete,  true,  true)  \
    ROW(png,           "png",               starts_png,           read_png_file,    png_complete,   true,  true)  \
    ROW(bmp,           "bmp dib",           starts_bmp,           read_bmp,         bmp_complete,   false, true)  \
    ROW(webp,          "webp",              starts_still_webp,    read_webp,        webp_complete,  false, false) \
    /* WebP animations: Qt's reader shows their first frame. */                                           \
    ROW(animated_webp, "",                  starts_animated_webp, read_with_module, webp_complete,  false, false) \
    ROW(heif,          "heic heif avif",    starts_heif,          read_heif,        nullptr,        false, false) \
    ROW(jxl,           "jxl",               starts_jxl,           read_jxl,         nullptr,        false, false) \
    ROW(gif,           "gif",               starts_gif,           read_with_module, gif_complete,   false, true)  \
    ROW(tiff,          "tif tiff",          starts_tiff,          read_with_module, nullptr,        false, true)  \
    ROW(ico,           "ico",               starts_ico,           read_with_module, nullptr,        false, false) \
    ROW(pnm,           "ppm pgm pbm",       starts_pnm,           read_with_module, nullptr,        false, false) \
    ROW(svg,           "svg svgz",          nullptr,              read_with_module, nullptr,        false, false) \
    ROW(xpm,           "xpm",               nullptr,              read_with_module, nullptr,        false, false)
// clang-format on
