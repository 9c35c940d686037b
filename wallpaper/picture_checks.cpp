#include "wallpaper/picture_checks.h"

#include "platform/file_io.h"
#include "platform/shown_path.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace wallcycle {
namespace {

std::uint32_t little_endian(const unsigned char* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

} // namespace

std::string bmp_cut_short(const std::string& path) {
    // The path is UTF-8; through std::filesystem it opens as such on Windows too.
    std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())),
                       std::ios::binary | std::ios::ate);
    auto size = static_cast<long long>(file.tellg());
    unsigned char header[34] = {};
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 'B' || header[1] != 'M')
        return {};
    long long offset = little_endian(header + 10, 4);
    std::uint32_t info_size = little_endian(header + 14, 4);
    long long width = 0, height = 0;
    std::uint32_t bits = 0, compression = 0;
    if (info_size == 12) { // the OS/2 header
        width = static_cast<std::int16_t>(little_endian(header + 18, 2));
        height = static_cast<std::int16_t>(little_endian(header + 20, 2));
        bits = little_endian(header + 24, 2);
    } else {
        width = static_cast<std::int32_t>(little_endian(header + 18, 4));
        height = static_cast<std::int32_t>(little_endian(header + 22, 4));
        bits = little_endian(header + 28, 2);
        compression = little_endian(header + 30, 4);
    }
    if (compression != 0 && compression != 3 && compression != 6) // uncompressed, bit fields
        return {};
    if (width <= 0 || height == 0 || bits == 0)
        return "its header names no picture";
    long long row = (width * bits + 31) / 32 * 4;
    long long needed = offset + row * std::llabs(height);
    if (size < needed)
        return "the file is cut short: its " + std::to_string(width) + "x" +
               std::to_string(std::llabs(height)) + " pixels need " + std::to_string(needed) +
               " bytes, the file has " + std::to_string(size);
    return {};
}

std::string picture_failure(const std::string& path, const std::string& what) {
    return "cannot use " + shown_path(path) + ": " + what;
}

Status picture_file_usable(const std::string& path) {
    Result<FileKind> kind = file_kind(path);
    if (!kind)
        return fail(kind.reason());
    auto refuse = [&](const std::string& why) { return fail(picture_failure(path, why)); };
    if (*kind == FileKind::Folder)
        return refuse("it is a folder, not an image");
    if (*kind != FileKind::Regular)
        return refuse(not_a_file_reason(*kind));
    if (std::string short_of = bmp_cut_short(path); !short_of.empty())
        return refuse("the picture is damaged: " + short_of);
    return {};
}

} // namespace wallcycle
