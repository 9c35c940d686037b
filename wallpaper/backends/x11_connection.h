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

} // namespace wallcycle
