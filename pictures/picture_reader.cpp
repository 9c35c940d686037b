#include "pictures/picture_reader.h"

#include "pictures/bmp_reader.h"
#include "pictures/jpeg_reader.h"
#include "pictures/picture_checks.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_scaling.h"
#include "pictures/png_reader.h"
#include "pictures/webp_reader.h"
#include "platform/file_io.h"
#include "platform/open_file_linux.h"
#include "platform/program_modules_linux.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <unistd.h>
#include <utility>

namespace wallcycle {
namespace {

// The module's reader; when the module cannot be loaded, the reason goes between `before` and
// `after`.
Result<Picture> read_in_module(const char* module, const char* entry, std::string bytes,
                               const PictureRequest& request, std::string_view before,
                               std::string_view after = {}) {
    Result<void*> reader = program_module_function(module, entry);
    if (!reader)
        return fail(std::string(before) + reader.reason() + std::string(after));
    Result<Picture> out = fail("");
    reinterpret_cast<ModuleReader>(reader.value())(bytes, request, out);
    return out;
}

Result<Picture> read_with_module(std::string bytes, const PictureRequest& request) {
    return read_in_module(
        pictures_module, pictures_module_reader, std::move(bytes), request,
        "not an image in a format this program reads (the reader of other formats cannot be "
        "loaded: ",
        ")");
}

Result<Picture> read_heif(std::string bytes, const PictureRequest& request) {
    return read_in_module(heif_module, "wallcycle_read_heif", std::move(bytes), request,
                          "its reader cannot be loaded: ");
}

Result<Picture> read_jxl(std::string bytes, const PictureRequest& request) {
    return read_in_module(jxl_module, "wallcycle_read_jxl", std::move(bytes), request,
                          "its reader cannot be loaded: ");
}

// A format's reader takes the file's bytes, or reads the open file itself as it decodes.
struct Reader {
    Result<Picture> (*bytes)(std::string, const PictureRequest&) = nullptr;
    Result<Picture> (*stream)(std::FILE*, const PictureRequest&) = nullptr;
};

template <auto read> constexpr Reader reader_of() {
    if constexpr (std::is_invocable_v<decltype(read), std::FILE*, const PictureRequest&>)
        return {nullptr, read};
    else
        return {
            [](std::string bytes, const PictureRequest& request) { return read(std::move(bytes), request); },
            nullptr};
}

struct ReaderRow {
    PictureFormat format;
    Reader reader;
};

constexpr ReaderRow readers[] = {
#define WALLCYCLE_READER_ROW(name, endings, starts, reader, ...) {PictureFormat::name, reader_of<reader>()},
    WALLCYCLE_PICTURE_FORMATS(WALLCYCLE_READER_ROW)
#undef WALLCYCLE_READER_ROW
        {PictureFormat::unknown, reader_of<read_with_module>()},
};

Reader reader_for(PictureFormat format) {
    for (const ReaderRow& row : readers)
        if (row.format == format)
            return row.reader;
    return reader_of<read_with_module>();
}

// The picture file, opened without blocking and only if it is still a regular file once open.
Result<OpenFile> open_picture(const std::string& path) {
    if (Status usable = picture_file_usable(path); !usable)
        return fail(usable.reason());
    return open_regular_file(path, static_cast<std::size_t>(largest_image_bytes));
}

// The format its first bytes show.
PictureFormat format_at_start(const OpenFile& file) {
    char first[format_mark_size] = {};
    ssize_t got = pread(file.descriptor(), first, sizeof first, 0);
    return format_of({first, got > 0 ? static_cast<std::size_t>(got) : 0});
}

// Read as it decodes, from a stream of its own over the open file.
Result<Picture> read_streamed(const OpenFile& file, Reader reader, const PictureRequest& request) {
    int copy = dup(file.descriptor());
    std::FILE* stream = copy < 0 ? nullptr : fdopen(copy, "rb");
    if (stream == nullptr) {
        if (copy >= 0)
            close(copy); // a rotation runs for days: nothing may stay open
        return fail("the file cannot be read");
    }
    Result<Picture> picture = reader.stream(stream, request);
    std::fclose(stream);
    return picture;
}

} // namespace

Result<Picture> read_picture(const std::string& path, const PictureRequest& request) {
    Result<OpenFile> file = open_picture(path);
    if (!file)
        return fail(file.reason());
    Reader reader = reader_for(format_at_start(file.value()));
    Result<Picture> picture = fail("");
    if (reader.stream != nullptr) {
        picture = read_streamed(file.value(), reader, request);
    } else {
        Result<std::string> bytes =
            read_from_start(file.value(), path, static_cast<std::size_t>(largest_image_bytes));
        if (!bytes)
            return fail(bytes.reason());
        picture = bytes->empty() ? fail("not an image in a format this program reads (the file is empty)")
                                 : reader.bytes(std::move(bytes.value()), request);
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
