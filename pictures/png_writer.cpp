#include "pictures/png_writer.h"

#include "pictures/spng_context.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace wallcycle {
namespace {

int append(spng_ctx*, void* user, void* data, std::size_t length) {
    static_cast<std::string*>(user)->append(static_cast<const char*>(data), length);
    return 0;
}

Failure refused(int error) {
    return fail(std::string("the picture cannot be written as PNG (") + spng_strerror(error) + ")");
}

} // namespace

Result<std::string> png_bytes(const Picture& picture) {
    SpngContext context(spng_ctx_new(SPNG_CTX_ENCODER));
    spng_ctx* png = context.get();
    if (png == nullptr)
        return fail("there is not enough memory for the picture");
    std::string out;
    // Room for the largest PNG this picture can make, so the bytes are never copied while growing;
    // the pages deflate does not fill are never touched, and cost no memory.
    const std::size_t filtered = static_cast<std::size_t>(picture.height()) * (1 + 3 * picture.width());
    try {
        out.reserve(filtered + filtered / 64 + 4096);
    } catch (const std::bad_alloc&) {
        return fail("there is not enough memory for the picture");
    }
    spng_set_png_stream(png, append, &out);
    spng_ihdr header{static_cast<std::uint32_t>(picture.width()),
                     static_cast<std::uint32_t>(picture.height()),
                     8,
                     SPNG_COLOR_TYPE_TRUECOLOR,
                     0,
                     0,
                     0};
    spng_set_ihdr(png, &header);
    // The mark by which the program knows the pictures it made, and removes no other file.
    char software[] = "wallcycle";
    spng_text mark{};
    std::memcpy(mark.keyword, "Software", sizeof "Software");
    mark.type = SPNG_TEXT;
    mark.length = sizeof software - 1;
    mark.text = software;
    spng_set_text(png, &mark, 1);
    // Stored, not compressed: the picture is made to be read once by a desktop on this machine,
    // and deflating it took longer than decoding the picture it came from. A full-HD picture
    // takes 6 MiB; only the last one made is kept.
    spng_set_option(png, SPNG_IMG_COMPRESSION_LEVEL, 0);
    spng_set_option(png, SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING);
    if (int error =
            spng_encode_image(png, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
        error != 0)
        return refused(error);
    std::vector<unsigned char> rgb(static_cast<std::size_t>(picture.width()) * 3);
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint32_t* row = picture.row(y);
        for (int x = 0; x < picture.width(); ++x) {
            rgb[3 * x] = static_cast<unsigned char>(row[x] >> 16);
            rgb[3 * x + 1] = static_cast<unsigned char>(row[x] >> 8);
            rgb[3 * x + 2] = static_cast<unsigned char>(row[x]);
        }
        int error = spng_encode_row(png, rgb.data(), rgb.size());
        if (error != 0 && !(error == SPNG_EOI && y == picture.height() - 1))
            return refused(error);
    }
    return out;
}

bool has_program_mark(std::string_view first_bytes) {
    return first_bytes.starts_with(std::string_view("\x89PNG\r\n\x1a\n", 8)) &&
           first_bytes.find(std::string_view("tEXtSoftware\0wallcycle", 22)) != std::string_view::npos;
}

} // namespace wallcycle
