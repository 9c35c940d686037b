#pragma once
// xcb hands out replies and errors that the caller frees: held here until the scope ends.

#include <cstdlib>
#include <memory>

namespace wallcycle {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

} // namespace wallcycle
