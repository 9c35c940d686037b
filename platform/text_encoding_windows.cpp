// On Windows the settings file is in the system's ANSI code page (932 on Japanese systems), as
// the program writes it there.

#include "platform/text_encoding.h"

#include "platform/wide_text_windows.h"

#include <windows.h>

namespace wallcycle {
namespace {

std::string code_page_to_utf8(UINT code_page, std::string_view bytes) {
    if (bytes.empty())
        return {};
    int length = MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
    return narrow(wide); // undecodable bytes come out as U+FFFD or the code page's own stand-in
}

} // namespace

std::string cp932_to_utf8(std::string_view bytes) {
    return code_page_to_utf8(932, bytes);
}

std::string decode_settings_record(std::string_view bytes, bool utf8_file) {
    return code_page_to_utf8(utf8_file ? CP_UTF8 : CP_ACP, bytes);
}

Result<std::string> encode_settings_text(std::string_view text) {
    std::wstring wide = widen(text);
    if (wide.empty())
        return std::string();
    BOOL lost = FALSE;
    UINT code_page = GetACP();
    // Best-fit mapping would silently turn a character into a look-alike and the path would no
    // longer name the file; refuse instead.
    DWORD flags = code_page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* lost_flag = code_page == CP_UTF8 ? nullptr : &lost;
    int length = WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                     nullptr, lost_flag);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()), bytes.data(), length,
                        nullptr, lost_flag);
    if (lost)
        return fail("it has characters that code page " + std::to_string(code_page) + " cannot hold");
    return bytes;
}

bool stored_as(std::string_view text, std::string_view bytes) {
    Result<std::string> stored = encode_settings_text(text);
    return stored && stored.value() == bytes;
}

} // namespace wallcycle
