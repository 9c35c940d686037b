#include "platform/error_output.h"

#include "platform/wide_text_windows.h"

#include <windows.h>

namespace wallcycle {

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
    int length = WideCharToMultiByte(code_page, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string bytes(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(code_page, 0, line.data(), static_cast<int>(line.size()), bytes.data(), length,
                        nullptr, nullptr);
    WriteFile(error, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace wallcycle
