#include "platform/error_output.h"

#include "platform/wide_text_windows.h"

#include <cstdio>
#include <windows.h>

namespace wallcycle {
namespace {

// The text in the code page, a character at a time: one the code page has no byte for is written
// as \u00E9 (never as a look-alike, "é" as "e", which would name another file).
std::string in_code_page(const std::wstring& text, UINT code_page) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        int units =
            IS_HIGH_SURROGATE(text[at]) && at + 1 < text.size() && IS_LOW_SURROGATE(text[at + 1]) ? 2 : 1;
        char bytes[16];
        BOOL substituted = FALSE;
        int got =
            code_page == CP_UTF8
                ? WideCharToMultiByte(code_page, 0, &text[at], units, bytes, sizeof bytes, nullptr, nullptr)
                : WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, &text[at], units, bytes, sizeof bytes,
                                      nullptr, &substituted);
        if (got > 0 && !substituted) {
            out.append(bytes, static_cast<std::size_t>(got));
        } else {
            unsigned long code = units == 2
                                     ? 0x10000 + ((text[at] - 0xD800UL) << 10) + (text[at + 1] - 0xDC00UL)
                                     : static_cast<unsigned long>(text[at]);
            char escape[16];
            snprintf(escape, sizeof escape, code > 0xFFFF ? "\\U%08lX" : "\\u%04lX", code);
            out += escape;
        }
        at += static_cast<std::size_t>(units);
    }
    return out;
}

} // namespace

void report_line(std::string_view text) {
    if (text.empty())
        return;
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return;
    std::wstring line = L"wallcycle: " + widen(text) + L"\r\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(error, &mode)) { // a console shows every character given to it as UTF-16
        WriteConsoleW(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    // Redirected: the code page the console (or, without one, the system) reads text in.
    UINT code_page = GetConsoleOutputCP();
    if (code_page == 0)
        code_page = GetACP();
    std::string bytes = in_code_page(line, code_page);
    WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace wallcycle
