#pragma once
// xcb hands out replies and errors that the caller frees: held here until the scope ends.
// A request's outcome is checked the same way everywhere.

#include "platform/result.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace wallcycle {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// Waits for the request's answer; the failure names the step in words a user can report.
inline Status checked(xcb_connection_t* c, xcb_void_cookie_t cookie, const char* step) {
    Reply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
    if (error)
        return fail(std::string("the X server refused to ") + step + " (X error " +
                    std::to_string(error->error_code) + ")");
    return {};
}

} // namespace wallcycle
