#include "pictures/picture_reader.h"

#include "pictures/bmp_reader.h"
#include "pictures/heif_reader.h"
#include "pictures/jpeg_reader.h"
#include "pictures/jxl_reader.h"
#include "pictures/picture_checks.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_scaling.h"
#include "pictures/png_reader.h"
#include "pictures/webp_reader.h"
#include "platform/file_io.h"
#include "platform/open_file_linux.h"
#include "platform/program_modules.h"

#include <cstdio>
#include <unistd.h>
#include <utility>

namespace wallcycle {
namespace {

Result<Picture> read_with_module(const std::string& bytes, const PictureRequest& request) {
    Result<void*> reader = program_module_function(pictures_module, pictures_module_reader);
    if (!reader)
        return fail(
            "not an image in a format this program reads (the reader of other formats cannot be loaded: " +
            reader.reason() + ")");
    Result<Picture> out = fail("");
    reinterpret_cast<ModuleReader>(reader.value())(bytes, request, out);
    return out;
}

// Every format but PNG, which is read from the file as it decodes.
Result<Picture> decode(std::string bytes, const PictureRequest& request) {
    if (bytes.empty())
        return fail("not an image in a format this program reads (the file is empty)");
    switch (format_of(bytes)) {
    case PictureFormat::jpeg:
        return read_jpeg(bytes, request);
    case PictureFormat::bmp:
        return read_bmp(bytes, request);
    case PictureFormat::heif:
        return read_heif(std::move(bytes), request);
    case PictureFormat::jxl:
        return read_jxl(std::move(bytes), request);
    case PictureFormat::webp:
        if (looks_like_still_webp(bytes))
            return read_webp(bytes, request);
        break;
    default:
        break;
    }
    return read_with_module(bytes, request);
}

// The picture file, opened without blocking and only if it is still a regular file once open.
Result<OpenFile> open_picture(const std::string& path) {
    if (Status usable = picture_file_usable(path); !usable)
        return fail(usable.reason());
    return open_regular_file(path, static_cast<std::size_t>(largest_image_bytes));
}

// The format its first bytes show.
PictureFormat format_at_start(const OpenFile& file) {
    char first[16] = {};
    ssize_t got = pread(file.descriptor(), first, sizeof first, 0);
    return format_of({first, got > 0 ? static_cast<std::size_t>(got) : 0});
}

} // namespace

Result<Picture> read_picture(const std::string& path, const PictureRequest& request) {
    Result<OpenFile> file = open_picture(path);
    if (!file)
        return fail(file.reason());
    Result<Picture> picture = fail("");
    if (format_at_start(file.value()) == PictureFormat::png) {
        // Read as it decodes: a large PNG is never held whole.
        int copy = dup(file->descriptor());
        std::FILE* stream = copy < 0 ? nullptr : fdopen(copy, "rb");
        if (stream == nullptr) {
            if (copy >= 0)
                close(copy); // a rotation runs for days: nothing may stay open
            return fail(picture_failure(path, "the file cannot be read"));
        }
        picture = read_png_file(stream, request);
        std::fclose(stream);
    } else {
        Result<std::string> bytes =
            read_from_start(file.value(), path, static_cast<std::size_t>(largest_image_bytes));
        if (!bytes)
            return fail(bytes.reason());
        picture = decode(std::move(bytes.value()), request);
    }
    if (!picture)
        return fail(picture_failure(path, picture.reason()));
    return picture;
}

Result<PictureFormat> picture_file_format(const std::string& path) {
    Result<OpenFile> file = open_picture(path);
    if (!file)
        return fail(file.reason());
    return format_at_start(file.value());
}

Result<Picture> picture_for(const std::string& path, Size target, Picture* into,
                            std::function<void(int first, int count)> rows_ready) {
    Result<Picture> decoded = read_picture(path, {target, true, into, std::move(rows_ready)});
    if (!decoded || decoded->size() == target)
        return decoded;
    Result<Picture> shown = into != nullptr ? into->view() : Picture::make(target);
    if (!shown)
        return fail(picture_failure(path, shown.reason()));
    cover_into(decoded.value(), shown.value());
    return shown;
}

Result<std::string> usable_picture_path(const std::string& path) {
    // Every byte is decoded, but at the smallest scale the decoders offer: the desktop decodes the
    // picture itself, this only finds out whether it can.
    Result<Picture> picture = read_picture(path, {Size{64, 64}});
    if (!picture)
        return fail(picture.reason());
    if (path.front() == '/')
        return path;
    // Relative to where the program was started, which the desktop does not know; links are kept.
    std::string folder(4096, '\0');
    if (getcwd(folder.data(), folder.size()) == nullptr)
        return fail(picture_failure(path, "the current folder cannot be told"));
    return folder.substr(0, folder.find('\0')) + "/" + path;
}

} // namespace wallcycle
