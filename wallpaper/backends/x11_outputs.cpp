#include "wallpaper/backends/x11_outputs.h"

#include "wallpaper/backends/x11_connection.h"
#include "wallpaper/backends/xcb_reply.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace wallcycle {

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
    SessionDisplay display;
    if (display.screen == nullptr)
        return {};
    return largest_monitor(monitor_rects(display.c, display.screen));
}

std::vector<std::string> connected_output_names() {
    std::vector<std::string> names;
    SessionDisplay display;
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
    SessionDisplay display;
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
