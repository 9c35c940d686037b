#include "tests/support/xvfb.h"

#include "wallpaper/backends/xcb_reply.h"

#include "tests/support/files.h"
#include "tests/support/process.h"

#include <csignal>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
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

Xvfb::Xvfb(int width, int height, int depth, const std::vector<std::string>& options) {
    // Xvfb takes a free display itself and says which once it listens (-displayfd).
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    std::vector<std::string> argv{"Xvfb", "-displayfd", "1",         "-screen", "0",
                                  screen, "-noreset",   "-nolisten", "tcp"};
    argv.insert(argv.end(), options.begin(), options.end());
    display_ = ":" + start_and_read_first_line(argv, pid_);
}

Xvfb::~Xvfb() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

long Xvfb::rss_kib() const {
    return status_kib(pid_, "RssAnon:");
}

long status_kib(pid_t pid, const std::string& key) {
    std::ifstream status(pid == 0 ? std::string("/proc/self/status")
                                  : "/proc/" + std::to_string(pid) + "/status");
    for (std::string word; status >> word;)
        if (word == key && status >> word)
            return std::stol(word);
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
    return wait_for(
        [&] {
            bool mapped = false;
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                mapped = mapped || (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
                std::free(event);
            }
            return mapped;
        },
        milliseconds, 5);
}

QImage grab_screen_area(const std::string& display, int x, int y, int width, int height) {
    Server x11(display);
    auto cookie = xcb_get_image(x11.c, XCB_IMAGE_FORMAT_Z_PIXMAP, x11.screen->root,
                                static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                                static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), ~0u);
    Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(x11.c, cookie, nullptr));
    if (!reply || (reply->depth != 24 && reply->depth != 16))
        throw std::runtime_error("cannot read the screen");
    // Depth 24 comes as 32-bit pixels, the layout of Format_RGB32 on this host; depth 16 as 5-6-5,
    // each row padded to 32 bits.
    if (reply->depth == 16)
        return QImage(xcb_get_image_data(reply.get()), width, height, (width * 2 + 3) / 4 * 4,
                      QImage::Format_RGB16)
            .convertToFormat(QImage::Format_RGB32);
    return QImage(xcb_get_image_data(reply.get()), width, height, width * 4, QImage::Format_RGB32).copy();
}

std::string xdotool(const std::string& display, const std::string& command) {
    return run("/bin/sh", {"-c", "xdotool " + command}, {{"DISPLAY", display}}).out;
}

ShownWindow shown_window(const std::string& display, const std::string& name_pattern) {
    ShownWindow window;
    std::string ids = xdotool(display, "search --sync --onlyvisible --name '" + name_pattern + "'");
    window.id = ids.substr(0, ids.find('\n'));
    if (window.id.empty())
        return window;
    std::istringstream shell(xdotool(display, "getwindowgeometry --shell " + window.id));
    std::map<std::string, int*> fields{
        {"X", &window.x}, {"Y", &window.y}, {"WIDTH", &window.width}, {"HEIGHT", &window.height}};
    for (std::string line; std::getline(shell, line);)
        if (auto eq = line.find('='); eq != std::string::npos && fields.count(line.substr(0, eq)) != 0)
            *fields[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    return window;
}

} // namespace wallcycle::test
