#pragma once
// UTF-8 (the program's strings) <-> UTF-16 (Windows' own), and the ANSI code page.

#include <string>
#include <string_view>

namespace wallcycle {

std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view wide);

// The system's words for an error code (GetLastError), without the trailing line break.
std::string system_message(unsigned long error);

} // namespace wallcycle
