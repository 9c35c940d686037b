#pragma once
// A function of user32 that newer systems have, looked up at run time so that the program still
// starts on older ones; null where the system lacks it.

#include <windows.h>

namespace wallcycle {

template <typename Function> Function user32_function(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

} // namespace wallcycle
