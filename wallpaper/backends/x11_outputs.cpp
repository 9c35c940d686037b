#include "wallpaper/backends/x11_outputs.h"

#include "platform/server_answers.h"
#include "wallpaper/backends/x11_connection.h"
#include "wallpaper/backends/xcb_reply.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace wallcycle {
namespace {

// The session's display; no screen when there is none or it does not answer.
struct Display {
    Display() {
        Result<DisplayConnection> connected = connect_display("", server_answer_ms);
        if (!connected)
            return;
        connection = std::move(connected.value().connection);
        c = connection.get();
        screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    }
    Connection connection;
    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
};

bool is_desktop_window_of(xcb_connection_t* c, xcb_window_t window, std::string_view window_class,
                          xcb_atom_t type_atom, xcb_atom_t desktop_type) {
    // WM_CLASS: the instance, a NUL, the class, a NUL.
    Reply<xcb_get_property_reply_t> names(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr));
    if (!names)
        return false;
    std::string_view both(static_cast<const char*>(xcb_get_property_value(names.get())),
                          static_cast<std::size_t>(xcb_get_property_value_length(names.get())));
    auto nul = both.find('\0');
    if (nul == std::string_view::npos)
        return false;
    std::string_view found_class = both.substr(nul + 1);
    if (!found_class.empty() && found_class.back() == '\0')
        found_class.remove_suffix(1);
    if (found_class != window_class)
        return false;
    Reply<xcb_get_property_reply_t> types(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, type_atom, XCB_ATOM_ATOM, 0, 16), nullptr));
    if (!types)
        return false;
    auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(types.get()));
    int count = xcb_get_property_value_length(types.get()) / 4;
    return std::find(values, values + count, desktop_type) != values + count;
}

} // namespace

std::vector<Rect> monitor_rects(xcb_connection_t* c, const xcb_screen_t* screen) {
    std::vector<Rect> rects;
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (randr != nullptr && randr->present) {
        // Asked together: the server takes the version before the question (one round trip).
        auto version_cookie = xcb_randr_query_version(c, 1, 5);
        auto monitors_cookie = xcb_randr_get_monitors(c, screen->root, 1);
        Reply<xcb_randr_query_version_reply_t> version(
            xcb_randr_query_version_reply(c, version_cookie, nullptr));
        Reply<xcb_randr_get_monitors_reply_t> monitors(
            xcb_randr_get_monitors_reply(c, monitors_cookie, nullptr));
        if (version && (version->major_version > 1 || version->minor_version >= 5)) {
            if (monitors) {
                auto it = xcb_randr_get_monitors_monitors_iterator(monitors.get());
                for (; it.rem > 0; xcb_randr_monitor_info_next(&it)) {
                    Rect rect{it.data->x, it.data->y, it.data->width, it.data->height};
                    bool visible = rect.width > 0 && rect.height > 0 && rect.x < screen->width_in_pixels &&
                                   rect.y < screen->height_in_pixels && rect.x + rect.width > 0 &&
                                   rect.y + rect.height > 0;
                    if (visible)
                        rects.push_back(rect);
                }
            }
        }
    }
    if (rects.empty())
        rects.push_back({0, 0, screen->width_in_pixels, screen->height_in_pixels});
    return rects;
}

Size largest_monitor(const std::vector<Rect>& monitors) {
    Size largest;
    for (const Rect& monitor : monitors)
        largest = {std::max(largest.width, monitor.width), std::max(largest.height, monitor.height)};
    return largest;
}

Size largest_monitor_size() {
    Display display;
    if (display.screen == nullptr)
        return {};
    return largest_monitor(monitor_rects(display.c, display.screen));
}

bool desktop_window_shown(std::string_view window_class) {
    Display display;
    if (display.screen == nullptr)
        return false;
    xcb_connection_t* c = display.c;
    xcb_atom_t type_atom = atom_named(c, "_NET_WM_WINDOW_TYPE");
    xcb_atom_t desktop_type = atom_named(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    if (type_atom == XCB_ATOM_NONE || desktop_type == XCB_ATOM_NONE)
        return false;
    // Top-level windows, and their children where a window manager put them into frames.
    std::vector<xcb_window_t> level{display.screen->root};
    for (int depth = 0; depth < 2; ++depth) {
        std::vector<xcb_window_t> next;
        for (xcb_window_t parent : level) {
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr));
            if (!tree)
                continue;
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            int count = xcb_query_tree_children_length(tree.get());
            for (int i = 0; i < count; ++i) {
                Reply<xcb_get_window_attributes_reply_t> attributes(
                    xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
                if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
                    continue;
                if (is_desktop_window_of(c, children[i], window_class, type_atom, desktop_type))
                    return true;
                next.push_back(children[i]);
            }
        }
        level = std::move(next);
    }
    return false;
}

std::vector<std::string> connected_output_names() {
    std::vector<std::string> names;
    Display display;
    if (display.screen == nullptr)
        return names;
    xcb_connection_t* c = display.c;
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (randr == nullptr || !randr->present)
        return names;
    Reply<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            c, xcb_randr_get_screen_resources_current(c, display.screen->root), nullptr));
    if (!resources)
        return names;
    const xcb_randr_output_t* outputs = xcb_randr_get_screen_resources_current_outputs(resources.get());
    int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    for (int i = 0; i < count; ++i) {
        Reply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, outputs[i], resources->config_timestamp), nullptr));
        if (!info || info->connection != XCB_RANDR_CONNECTION_CONNECTED)
            continue;
        names.emplace_back(reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
                           static_cast<std::size_t>(xcb_randr_get_output_info_name_length(info.get())));
    }
    return names;
}

int workspace_count() {
    Display display;
    if (display.screen == nullptr)
        return 0;
    xcb_connection_t* c = display.c;
    const char* name = "_NET_NUMBER_OF_DESKTOPS";
    Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return 0;
    Reply<xcb_get_property_reply_t> property(xcb_get_property_reply(
        c, xcb_get_property(c, 0, display.screen->root, atom->atom, XCB_ATOM_CARDINAL, 0, 1), nullptr));
    if (!property || xcb_get_property_value_length(property.get()) != 4)
        return 0;
    return static_cast<int>(*static_cast<const std::uint32_t*>(xcb_get_property_value(property.get())));
}

} // namespace wallcycle
