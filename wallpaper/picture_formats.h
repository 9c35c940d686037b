#pragma once
// Picture formats told by their first bytes, the same way by every reader and every check.

#include <string_view>

namespace wallcycle {

inline bool looks_like_png(std::string_view bytes) {
    return bytes.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8);
}
inline bool looks_like_jpeg(std::string_view bytes) {
    return bytes.substr(0, 3) == "\xff\xd8\xff";
}
inline bool looks_like_bmp(std::string_view bytes) {
    return bytes.substr(0, 2) == "BM";
}
inline bool looks_like_webp(std::string_view bytes) {
    return bytes.size() >= 12 && bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WEBP";
}

} // namespace wallcycle
