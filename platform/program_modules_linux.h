#pragma once
// Parts of the program in modules of their own (the bus desktops, the rare picture formats),
// loaded the first time a run needs one. Two builds of this exist: the program looks beside itself
// or in the install's module folder; the tests load the modules the build made.

#include "platform/result.h"

#include <string>

namespace wallcycle {

Result<void*> program_module_function(const std::string& module_file, const char* function);

} // namespace wallcycle
