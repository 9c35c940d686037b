#pragma once
// xcb hands out connections, replies and errors that the caller frees: held here until the scope
// ends. A request's outcome and an atom are asked the same way everywhere.

#include "platform/result.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace wallcycle {

struct FreeReply {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

// The atom a request interned (its cookie asked earlier, so several share a round trip), or none.
inline xcb_atom_t atom_reply(xcb_connection_t* c, xcb_intern_atom_cookie_t cookie) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// An existing atom of that name, or none.
inline xcb_atom_t atom_named(xcb_connection_t* c, const char* name) {
    return atom_reply(c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name));
}

// Waits for the request's answer; the failure names the step in words a user can report.
inline Status checked(xcb_connection_t* c, xcb_void_cookie_t cookie, const char* step) {
    Reply<xcb_generic_error_t> error(xcb_request_check(c, cookie));
    if (error)
        return fail(std::string("the X server refused to ") + step + " (X error " +
                    std::to_string(error->error_code) + ")");
    return {};
}

} // namespace wallcycle
