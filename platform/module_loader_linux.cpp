#include "platform/module_loader_linux.h"

#include "platform/program_facts.h"

#include <dlfcn.h>
#include <vector>

namespace wallcycle {
namespace {

// The module, loaded for the rest of the run (nothing unloads it), or the loader's reason.
Result<void*> open_module(const std::string& path) {
    if (void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL))
        return module;
    const char* error = dlerror();
    return fail(error != nullptr ? error : path);
}

Result<void*> function_in(void* module, const std::string& path, const char* function) {
    if (void* address = dlsym(module, function))
        return address;
    return fail(path + " has no " + function);
}

} // namespace

Result<void*> module_function_at(const std::string& path, const char* function) {
    Result<void*> module = open_module(path);
    if (!module)
        return fail("cannot load " + path + " (" + module.reason() + ")");
    return function_in(module.value(), path, function);
}

Result<void*> module_function(const std::string& module_file, const char* function) {
    std::string directory = program_directory();
    // The modules lie together: one module finds the others beside itself.
    std::string here = directory;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&module_function), &self) != 0 && self.dli_fname != nullptr) {
        here = self.dli_fname;
        here = here.find('/') == std::string::npos ? directory : here.substr(0, here.rfind('/'));
    }
    std::string tried;
    std::vector<std::string> folders{here};
    if (directory != here) // the asking code is in a module, not the program itself
        folders.push_back(directory);
    folders.push_back(directory + "/" + WALLCYCLE_MODULE_DIR_FROM_BINDIR);
    for (const std::string& folder : folders) {
        std::string path = folder + "/" + module_file;
        Result<void*> module = open_module(path);
        if (!module) {
            tried += (tried.empty() ? "" : "; ") + module.reason();
            continue;
        }
        return function_in(module.value(), path, function);
    }
    return fail("cannot load " + module_file + " (" + tried + ")");
}

} // namespace wallcycle
