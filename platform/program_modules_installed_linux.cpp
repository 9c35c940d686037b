// For the program: modules beside it (a build tree) or in the install's module folder.

#include "platform/program_modules_linux.h"

#include "platform/module_loader_linux.h"

namespace wallcycle {

Result<void*> program_module_function(const std::string& module_file, const char* function) {
    return module_function(module_file, function);
}

} // namespace wallcycle
