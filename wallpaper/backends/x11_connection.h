#pragma once
// The connection to an X display, made within a bound: libxcb waits for the server's first answer
// without end, and a display that accepts and never answers must not hold the program.

#include "platform/result.h"
#include "wallpaper/backends/xcb_reply.h"

#include <string>

namespace wallcycle {

struct DisplayConnection {
    Connection connection;
    int screen = 0; // the screen the display name asks for
};

// The display named (empty: $DISPLAY), connected; fails when it cannot be reached, or when it has
// not answered within timeout_ms.
Result<DisplayConnection> connect_display(const std::string& display, int timeout_ms);

// The session's display ($DISPLAY) for a few questions; no screen when there is none or it does
// not answer within the bound on a server's answer.
struct SessionDisplay {
    SessionDisplay();
    Connection connection;
    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
};

} // namespace wallcycle
