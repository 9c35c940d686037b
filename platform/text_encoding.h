#pragma once
// Settings text as it is stored on disk <-> the program's UTF-8 strings.

#include "platform/result.h"

#include <string>
#include <string_view>

namespace wallcycle {

bool is_valid_utf8(std::string_view bytes);

// One record of a settings file as UTF-8 text, decoded on its own so that one record in another
// encoding does not garble the rest. On Linux: the record as it is when it is valid UTF-8,
// otherwise code page 932 as Japanese Windows systems write it. On Windows: the ANSI code page,
// or UTF-8 in a file that starts with a UTF-8 byte-order mark (utf8_file). A byte sequence that
// cannot be decoded becomes a replacement character.
std::string decode_settings_record(std::string_view bytes, bool utf8_file);

// Code page 932 bytes to UTF-8, invalid sequences replaced by U+FFFD.
std::string cp932_to_utf8(std::string_view bytes);

// One record's text as the settings file stores it on this system (UTF-8 on Linux, the ANSI code
// page on Windows). Text the encoding cannot hold fails, with the reason, rather than being
// stored as a substitute that would not find the file again.
Result<std::string> encode_settings_text(std::string_view text);

// Whether storing the text on this system writes exactly these bytes (without a copy of either
// where the system stores UTF-8).
bool stored_as(std::string_view text, std::string_view bytes);

} // namespace wallcycle
