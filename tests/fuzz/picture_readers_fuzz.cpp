// Feeds arbitrary bytes to the readers of HEIC/AVIF and JPEG XL, through their libraries: they must
// never crash, read out of bounds or take more memory than a picture may, and a picture they return
// must be whole.

#include "pictures/heif_reader.h"
#include "pictures/jxl_reader.h"
#include "pictures/picture_formats.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wallcycle;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Each reader as the program calls it: on what its first bytes show, asked for a small cover.
    PictureFormat format = format_of(bytes);
    PictureRequest request{Size{8, 8}};
    Result<Picture> picture = format == PictureFormat::jxl ? read_jxl(std::string(bytes), request)
                                                           : read_heif(std::string(bytes), request);
    if (!picture)
        return 0;
    if (picture->width() <= 0 || picture->height() <= 0)
        std::abort();
    volatile std::uint32_t sum = 0;
    for (int y = 0; y < picture->height(); ++y)
        for (int x = 0; x < picture->width(); ++x)
            sum = sum + picture->row(y)[x];
    return 0;
}
