#pragma once

#include <string>
#include <string_view>

namespace wallcycle {

// A path as it appears in a message: control characters (a NUL among them) written as \xNN so
// they cannot cut or break the line, and a very long path shortened to its start and its end.
std::string shown_path(std::string_view path);

} // namespace wallcycle
