#include "platform/text_encoding.h"

#include <cerrno>
#include <iconv.h>
#include <sys/stat.h>

namespace wallcycle {

std::string cp932_to_utf8(std::string_view bytes) {
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::string(bytes); // no converter installed: keep the bytes rather than lose them
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char chunk[4096];
    while (in_left > 0) {
        char* out_ptr = chunk;
        size_t out_left = sizeof chunk;
        size_t rc = iconv(converter, &in, &in_left, &out_ptr, &out_left);
        out.append(chunk, static_cast<size_t>(out_ptr - chunk));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // EILSEQ or a cut-off sequence at the end: replace one byte and go on.
            out += "\xEF\xBF\xBD";
            ++in;
            --in_left;
        }
    }
    iconv_close(converter);
    return out;
}

namespace {

bool names_a_file(const std::string& path) {
    struct stat info {};
    return path.find('\0') == std::string::npos && lstat(path.c_str(), &info) == 0;
}

} // namespace

// On Linux the file is UTF-8. A Linux path that is not (it starts with "/") names the file its
// bytes name, as Linux names are bytes; where no file has that name and its code page 932 reading
// names one, the file was written on a Japanese system and that reading is the name. Any other
// record that is not UTF-8 came from a Japanese Windows system.
std::string decode_settings_record(std::string_view bytes, bool) {
    if (is_valid_utf8(bytes))
        return std::string(bytes);
    if (!bytes.starts_with('/'))
        return cp932_to_utf8(bytes);
    std::string raw(bytes);
    if (names_a_file(raw))
        return raw;
    std::string japanese = cp932_to_utf8(bytes);
    return names_a_file(japanese) ? japanese : raw;
}

Result<std::string> encode_settings_text(std::string_view text) {
    return std::string(text);
}

bool stored_as(std::string_view text, std::string_view bytes) {
    return text == bytes;
}

} // namespace wallcycle
