#pragma once
// Parts of the program kept in modules of their own, loaded only when a run needs them: "/e" on a
// bare X server never pays for the window toolkit or the desktop buses.

#include "platform/result.h"

#include <string>

namespace wallcycle {

// The address of a function in a module: looked for beside the program (a build tree), then in
// the install's module folder, relative to the program.
Result<void*> module_function(const std::string& module_file, const char* function);

// The same from the module at that path.
Result<void*> module_function_at(const std::string& path, const char* function);

} // namespace wallcycle
