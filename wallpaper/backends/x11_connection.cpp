#include "wallpaper/backends/x11_connection.h"

#include "platform/program_facts.h"
#include "platform/server_answers_linux.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace wallcycle {

Result<DisplayConnection> connect_display(const std::string& display, int timeout_ms) {
    std::string name = display.empty() ? environment_value("DISPLAY") : display;
    // Made on a thread of its own, so that the wait has an end; a server that never answers keeps
    // that thread, which closes what it got if the answer ever comes.
    struct Attempt {
        std::mutex lock;
        std::condition_variable finished;
        xcb_connection_t* c = nullptr;
        int screen = 0;
        bool done = false, abandoned = false;
    };
    auto attempt = std::make_shared<Attempt>();
    try {
        std::thread([attempt, name] {
            int screen = 0;
            xcb_connection_t* c = xcb_connect(name.c_str(), &screen);
            std::lock_guard<std::mutex> held(attempt->lock);
            if (attempt->abandoned) {
                xcb_disconnect(c);
                return;
            }
            attempt->c = c;
            attempt->screen = screen;
            attempt->done = true;
            attempt->finished.notify_one();
        }).detach();
    } catch (const std::system_error&) {
        return fail("cannot connect to the X display " + name + ": no thread to wait on it");
    }
    std::unique_lock<std::mutex> held(attempt->lock);
    if (!attempt->finished.wait_for(held, std::chrono::milliseconds(timeout_ms),
                                    [&] { return attempt->done; })) {
        attempt->abandoned = true;
        return fail("the X display " + name + " accepts connections but does not answer (waited " +
                    std::to_string(timeout_ms / 1000) + " s)");
    }
    Connection connection(attempt->c);
    if (xcb_connection_has_error(connection.get()))
        return fail("cannot connect to the X display " + name);
    return DisplayConnection{std::move(connection), attempt->screen};
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
