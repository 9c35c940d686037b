#include "platform/error_output.h"

#include <cstdio>
#include <string>

namespace wallcycle {

void report_line(std::string_view text) {
    if (text.empty())
        return;
    std::string line = "wallcycle: ";
    line += text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr); // written whole, whatever bytes it holds
    std::fflush(stderr);
}

} // namespace wallcycle
