#pragma once
// Settings text as it is stored on disk <-> the program's UTF-8 strings.

#include "platform/result.h"

#include <string>
#include <string_view>

namespace wallcycle {

bool is_valid_utf8(std::string_view bytes);

// Bytes of a settings file as UTF-8 text. On Linux: UTF-8 when the whole file is valid UTF-8,
// otherwise code page 932 as written by Japanese Windows systems. On Windows: the ANSI code page.
// Either way a leading UTF-8 byte-order mark means UTF-8, and a byte sequence that cannot be
// decoded becomes a replacement character, so the rest of the file still loads.
std::string decode_settings_bytes(std::string_view bytes);

// Code page 932 bytes to UTF-8, invalid sequences replaced by U+FFFD.
std::string cp932_to_utf8(std::string_view bytes);

// One record's text as the settings file stores it on this system (UTF-8 on Linux, the ANSI code
// page on Windows). Text the encoding cannot hold fails, with the reason, rather than being
// stored as a substitute that would not find the file again.
Result<std::string> encode_settings_text(std::string_view text);

} // namespace wallcycle
