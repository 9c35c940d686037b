#include "wallpaper/backends/x11_connection.h"

#include "platform/bounded_wait.h"
#include "platform/program_facts.h"
#include "platform/server_answers_linux.h"

namespace wallcycle {

Result<DisplayConnection> connect_display(const std::string& display, int timeout_ms) {
    std::string name = display.empty() ? environment_value("DISPLAY") : display;
    // Made on a thread of its own, so that the wait has an end; a connection that comes after it
    // is closed.
    BoundedResult<DisplayConnection> connected = finished_within(timeout_ms, [name] {
        int screen = 0;
        Connection connection(xcb_connect(name.c_str(), &screen));
        return DisplayConnection{std::move(connection), screen};
    });
    if (connected.ended == WaitEnded::no_thread)
        return fail("cannot connect to the X display " + name + ": no thread to wait on it");
    if (connected.ended == WaitEnded::late)
        return fail("the X display " + name + " accepts connections but does not answer (waited " +
                    std::to_string(timeout_ms / 1000) + " s)");
    if (xcb_connection_has_error(connected.value->connection.get()))
        return fail("cannot connect to the X display " + name);
    return std::move(*connected.value);
}

SessionDisplay::SessionDisplay() {
    Result<DisplayConnection> connected = connect_display("", server_answer_ms);
    if (!connected)
        return;
    connection = std::move(connected.value().connection);
    c = connection.get();
    screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
}

} // namespace wallcycle
