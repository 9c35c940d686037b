#pragma once
// Settings text as it is stored on disk <-> the program's UTF-8 strings.

#include <string>
#include <string_view>

namespace wallcycle {

bool is_valid_utf8(std::string_view bytes);

// Bytes of a settings file as UTF-8 text: UTF-8 when the whole file is valid UTF-8 (a leading
// byte-order mark is dropped), otherwise code page 932 as written by Japanese Windows systems.
// A byte sequence that is neither becomes U+FFFD, so the rest of the file still loads.
std::string decode_settings_bytes(std::string_view bytes);

// Code page 932 bytes to UTF-8, invalid sequences replaced by U+FFFD.
std::string cp932_to_utf8(std::string_view bytes);

} // namespace wallcycle
