#pragma once
// Every picture the program shows comes through here: one set of rules for every desktop.
// JPEG, PNG, WebP, BMP, HEIC/AVIF and JPEG XL are decoded by the program's own readers; every
// other format by Qt's image readers, in a module loaded only when such a picture comes up.

#include "pictures/picture.h"
#include "pictures/picture_formats.h"

#include <string>

namespace wallcycle {

// The picture at `path`, every pixel decoded and checked, at the smallest scale a decoder can give
// that still covers the request's size (or exactly that size when the request crops and the
// decoder can). The reason names the file and what is wrong with it.
Result<Picture> read_picture(const std::string& path, const PictureRequest& request = {});

// The picture as it is shown covering `target`: exactly that size, centred and cropped; drawn in
// `into` when that is given (it must be `target`'s size), told to `rows_ready` as it is decoded
// there.
Result<Picture> picture_for(const std::string& path, Size target, Picture* into = nullptr,
                            std::function<void(int first, int count)> rows_ready = {});

// The format the file's first bytes show (unknown for text formats and anything else), or why the
// file cannot be read.
Result<PictureFormat> picture_file_format(const std::string& path);

// For desktops that read the file themselves: its absolute path once every pixel has been decoded
// and checked, at the smallest scale a decoder can give (a 4K JPEG costs less than half its full
// decode), so a broken file never replaces a working wallpaper.
Result<std::string> usable_picture_path(const std::string& path);

// A reader in a module, all alike: Qt's readers, for formats read by none of ours; our readers
// of HEIF and JPEG XL, each in a module of its own with its library (libheif's codecs and
// libjxl's take milliseconds of every start just to be loaded, which a JPEG should not pay).
using ModuleReader = void (*)(std::string& bytes, const PictureRequest& request, Result<Picture>& out);
inline constexpr const char* pictures_module = "wallcycle-pictures.so";
inline constexpr const char* pictures_module_reader = "wallcycle_read_picture";
inline constexpr const char* heif_module = "wallcycle-heif.so";
inline constexpr const char* jxl_module = "wallcycle-jxl.so";

} // namespace wallcycle
