#include "tests/support/xvfb.h"

#include "wallpaper/backends/xcb_reply.h"

#include "tests/support/process.h"
#include "tests/support/screenshot.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

namespace wallcycle::test {
namespace {

// A connection to the display, as the program holds its own.
struct Server {
    explicit Server(const std::string& display)
        : connection(xcb_connect(display.c_str(), nullptr)), c(connection.get()) {
        if (xcb_connection_has_error(c))
            throw std::runtime_error("cannot connect to " + display);
        screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    }
    Connection connection;
    xcb_connection_t* c;
    xcb_screen_t* screen;
};

} // namespace

Xvfb::Xvfb(int width, int height) {
    // Xvfb takes a free display itself and says which once it listens (-displayfd).
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    pid_ = spawn({"Xvfb", "-displayfd", "1", "-screen", "0", screen, "-noreset", "-nolisten", "tcp"}, {},
                 ready[1]);
    close(ready[1]);
    std::string number;
    pollfd said{ready[0], POLLIN, 0};
    char digit = 0;
    while (poll(&said, 1, 10000) > 0 && read(ready[0], &digit, 1) == 1 && digit != '\n')
        number += digit;
    close(ready[0]);
    if (number.empty()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        throw std::runtime_error("no X server could be started");
    }
    display_ = ":" + number;
}

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

long Xvfb::rss_kib() const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "RssAnon:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return -1;
}

std::uint32_t root_pixel(const std::string& display, int x, int y) {
    return grab_screen_area(display, x, y, 1, 1).pixel(0, 0) & 0xffffff;
}

std::uint32_t root_pixmap_property(const std::string& display, const char* atom_name) {
    Server x11(display);
    xcb_atom_t atom = atom_named(x11.c, atom_name);
    if (atom == XCB_ATOM_NONE)
        return 0;
    Reply<xcb_get_property_reply_t> property(xcb_get_property_reply(
        x11.c, xcb_get_property(x11.c, 0, x11.screen->root, atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
    if (!property || xcb_get_property_value_length(property.get()) != 4)
        return 0;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
}

long count_pixmaps(const std::string& display) {
    Server x11(display);
    xcb_atom_t pixmap_atom = atom_named(x11.c, "PIXMAP");
    Reply<xcb_res_query_clients_reply_t> clients(
        xcb_res_query_clients_reply(x11.c, xcb_res_query_clients(x11.c), nullptr));
    if (pixmap_atom == XCB_ATOM_NONE || !clients)
        throw std::runtime_error("the X server does not answer X-Resource queries");
    long total = 0;
    for (auto it = xcb_res_query_clients_clients_iterator(clients.get()); it.rem > 0;
         xcb_res_client_next(&it)) {
        Reply<xcb_res_query_client_resources_reply_t> resources(xcb_res_query_client_resources_reply(
            x11.c, xcb_res_query_client_resources(x11.c, it.data->resource_base), nullptr));
        if (!resources)
            continue;
        for (auto type = xcb_res_query_client_resources_types_iterator(resources.get()); type.rem > 0;
             xcb_res_type_next(&type))
            if (type.data->resource_type == pixmap_atom)
                total += type.data->count;
    }
    return total;
}

MapWatcher::MapWatcher(const std::string& display) : connection_(xcb_connect(display.c_str(), nullptr)) {
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_request_check(connection_, xcb_change_window_attributes_checked(connection_, screen->root,
                                                                        XCB_CW_EVENT_MASK, &mask));
}

MapWatcher::~MapWatcher() {
    xcb_disconnect(connection_);
}

bool MapWatcher::window_mapped_within(int milliseconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped)
                return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(left.count()));
    }
}

} // namespace wallcycle::test
