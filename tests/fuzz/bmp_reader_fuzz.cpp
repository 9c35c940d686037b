// Feeds arbitrary bytes to the BMP reader: it must never crash, read out of bounds or take more
// memory than a picture may, and a picture it returns must be as large as its header says.

#include "pictures/bmp_reader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// Pictures of many megapixels are only slow to fill, not more interesting: left out.
bool claims_huge_picture(std::string_view bytes) {
    if (bytes.size() < 26)
        return false;
    auto number = [&](std::size_t at, int length) {
        std::uint32_t value = 0;
        for (int i = length - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
        return value;
    };
    bool core = number(14, 4) == 12;
    std::int64_t width = core ? number(18, 2) : static_cast<std::int32_t>(number(18, 4));
    std::int64_t height = core ? number(20, 2) : static_cast<std::int32_t>(number(22, 4));
    return std::abs(width) * std::abs(height) > (1 << 22);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wallcycle;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (claims_huge_picture(bytes))
        return 0;
    Result<Picture> picture = read_bmp(bytes);
    if (!picture)
        return 0;
    if (picture->width() <= 0 || picture->height() <= 0)
        std::abort();
    volatile std::uint32_t sum = 0; // every pixel read back: a row pointer past the memory shows up
    for (int y = 0; y < picture->height(); ++y)
        for (int x = 0; x < picture->width(); ++x)
            sum = sum + picture->row(y)[x];
    return 0;
}
