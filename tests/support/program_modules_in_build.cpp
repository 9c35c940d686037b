// For the tests: the modules the build made, loaded as the program loads them.

#include "platform/program_modules_linux.h"

#include "platform/module_loader_linux.h"

namespace wallcycle {

Result<void*> program_module_function(const std::string& module_file, const char* function) {
    return module_function_at(std::string(WALLCYCLE_BUILD_DIR) + "/" + module_file, function);
}

} // namespace wallcycle
