#pragma once
// The session bus, which libraries (libdbus, GDBus) would wait for without end: asked once here,
// with a bound, whether anyone answers at all.

#include "platform/result.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace wallcycle {

// Where a local server listens: a socket file, or a name in the abstract namespace.
struct LocalSocket {
    std::string path;
    bool abstract = false;
    bool operator==(const LocalSocket&) const = default;
};

// The socket of the session bus an address names ("unix:path=…", "unix:abstract=…"; the first of
// several), or nothing for a kind this cannot ask ahead (tcp, a folder of sockets).
std::optional<LocalSocket> bus_socket(const std::string& address);

// What to say next, given all the server has answered to the last words: nothing yet (wait for
// more), "" (the exchange is over), or the next words.
using NextWords = std::function<std::optional<std::string>(std::string_view answer)>;

// Connects, says the first words of the protocol and waits for an answer, then goes on as `then`
// says (by default any answer ends it), all within timeout_ms: true when the exchange ended,
// false when nobody listens there. Fails only when a server is there and stays silent at any step:
// one that is missing or refuses is for the library to report in its own words.
Result<bool> socket_answers(const LocalSocket& socket, const std::string& greeting, int timeout_ms,
                            const NextWords& then = {});

// The session bus's address, where libdbus and GDBus find it: $DBUS_SESSION_BUS_ADDRESS, else
// the socket $XDG_RUNTIME_DIR/bus when there is one; empty when there is no bus to find.
std::string session_bus_address();

// The session bus, as the environment names it, through authentication to the answer of its
// first call (Hello), as every library's connection begins. A bus nobody listens at fails too:
// every run then goes on as without a bus.
Status session_bus_answers(int timeout_ms);

// What the bus address becomes when the session bus does not answer: every D-Bus library fails on
// it at once, and so does this program's own test of it.
constexpr const char* unanswering_bus_address = "disabled:";
bool session_bus_given_up();

// How long a server (the bus, an X display) may stay silent before the program goes on without it.
constexpr int server_answer_ms = 5000;

} // namespace wallcycle
