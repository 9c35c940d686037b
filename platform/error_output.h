#pragma once

#include <string_view>

namespace wallcycle {

// One line on standard error, "wallcycle: " before it, in the form the reader's terminal shows:
// UTF-8 on Linux; on Windows UTF-16 to a console, otherwise the console's (or the system's) code page.
void report_line(std::string_view text);

} // namespace wallcycle
