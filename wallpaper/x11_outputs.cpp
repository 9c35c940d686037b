#include "wallpaper/x11_outputs.h"

#include "wallpaper/xcb_reply.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace wallcycle {
namespace {

struct Display {
    Display() : c(xcb_connect(nullptr, nullptr)) {
        if (!xcb_connection_has_error(c))
            screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    }
    ~Display() { xcb_disconnect(c); }
    xcb_connection_t* c;
    xcb_screen_t* screen = nullptr;
};

} // namespace

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
