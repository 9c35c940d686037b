#include "platform/shown_path.h"

#include "platform/text_encoding.h"

namespace wallcycle {
namespace {

// Long enough for any real path; a longer one is shown by its first and last bytes.
constexpr std::size_t longest_shown = 160;
constexpr std::size_t kept_each_side = 72;

bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string escaped(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        auto byte = static_cast<unsigned char>(text[at]);
        // A name is bytes: one that is no part of a UTF-8 character is shown by its value too.
        std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : 2;
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !is_valid_utf8(text.substr(at, length)))) {
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
            ++at;
        } else {
            out += text.substr(at, length);
            at += length;
        }
    }
    return out;
}

} // namespace

std::string shown_path(std::string_view path) {
    if (path.size() <= longest_shown)
        return escaped(path);
    // Cut between characters, never inside one.
    std::size_t head = kept_each_side;
    while (head > 0 && is_continuation(path[head]))
        --head;
    std::size_t tail = path.size() - kept_each_side;
    while (tail < path.size() && is_continuation(path[tail]))
        ++tail;
    return escaped(path.substr(0, head)) + "…(" + std::to_string(path.size() - head - (path.size() - tail)) +
           " bytes)…" + escaped(path.substr(tail));
}

} // namespace wallcycle
