#include "wallpaper/backends/x11_desktop_window.h"

#include "wallpaper/backends/x11_connection.h"
#include "wallpaper/backends/xcb_reply.h"

#include <algorithm>
#include <vector>

namespace wallcycle {
namespace {

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

bool desktop_window_shown(std::string_view window_class) {
    SessionDisplay display;
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

} // namespace wallcycle
