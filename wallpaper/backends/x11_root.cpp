#include "wallpaper/backends/x11_root.h"

#include "wallpaper/backends/xcb_reply.h"

#include "pictures/picture_reader.h"
#include "pictures/picture_scaling.h"
#include "platform/program_facts.h"
#include "platform/server_answers_linux.h"
#include "wallpaper/backends/x11_connection.h"
#include "wallpaper/backends/x11_outputs.h"
#include "wallpaper/backends/x11_picture_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace wallcycle {
namespace {

xcb_screen_t* screen_number(xcb_connection_t* c, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i)
        if (i == number)
            return it.data;
    return nullptr;
}

xcb_visualtype_t* root_visual(const xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem > 0; xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data;
    return nullptr;
}

int bits_per_pixel(xcb_connection_t* c, std::uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0; xcb_format_next(&it))
        if (it.data->depth == depth)
            return it.data->bits_per_pixel;
    return 0;
}

bool host_is_lsb_first() {
    const std::uint16_t probe = 1;
    return *reinterpret_cast<const std::uint8_t*>(&probe) == 1;
}

// The root window's pixel layout, if it is one we draw.
Result<RootPixels> pixel_format(xcb_connection_t* c, const xcb_screen_t* screen) {
    const xcb_visualtype_t* visual = root_visual(screen);
    int bpp = bits_per_pixel(c, screen->root_depth);
    bool lsb = xcb_get_setup(c)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    if (visual != nullptr && lsb == host_is_lsb_first()) {
        if (bpp == 32 && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
            visual->blue_mask == 0xff)
            return RootPixels::rgb32;
        if (bpp == 16 && visual->red_mask == 0xf800 && visual->green_mask == 0x07e0 &&
            visual->blue_mask == 0x1f)
            return RootPixels::rgb16;
    }
    return fail("the root window's pixel format is not supported (depth " +
                std::to_string(screen->root_depth) + ", " + std::to_string(bpp) + " bits per pixel)");
}

// Decodes the picture for the whole screen into the buffer, or says why it cannot be used.
Status draw_picture(const std::string& path, const std::vector<Rect>& monitors, PictureBuffer& buffer) {
    Picture& screen = buffer.picture();
    if (monitors.size() == 1 && monitors.front() == Rect{0, 0, screen.width(), screen.height()}) {
        // One monitor: decoded at the screen's scale, often straight into the buffer, whose rows
        // go to the server as they are finished.
        Result<Picture> shown = picture_for(path, screen.size(), &screen,
                                            [&](int first, int count) { buffer.rows_ready(first, count); });
        return shown ? Status() : fail(shown.reason());
    }
    Result<Picture> picture = read_picture(path, {largest_monitor(monitors)});
    if (!picture)
        return fail(picture.reason());
    std::vector<Picture> fitted; // every monitor's picture made before the screen changes
    for (const Rect& monitor : monitors) {
        Result<Picture> covering = Picture::make(monitor.size());
        if (!covering)
            return fail(covering.reason());
        cover_into(picture.value(), covering.value());
        fitted.push_back(std::move(covering.value()));
    }
    for (int y = 0; y < screen.height(); ++y)
        std::fill(screen.row(y), screen.row(y) + screen.width(), 0u); // what no monitor shows
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        const Rect& m = monitors[i];
        const int left = std::max(m.x, 0), right = std::min(m.x + m.width, screen.width());
        for (int y = std::max(m.y, 0); y < std::min(m.y + m.height, screen.height()); ++y)
            if (left < right)
                std::copy(fitted[i].row(y - m.y) + (left - m.x), fitted[i].row(y - m.y) + (right - m.x),
                          screen.row(y) + left);
    }
    return {};
}

// The pixmap a root property names, or none.
xcb_pixmap_t pixmap_property(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->type != XCB_ATOM_PIXMAP || reply->format != 32 ||
        xcb_get_property_value_length(reply.get()) != 4)
        return XCB_NONE;
    return *static_cast<const xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
}

// The previous picture was left behind by a setter that kept it alive after exiting; when both
// properties agree on it, that setter's resources are released (they are nobody else's).
void release_previous_picture(xcb_connection_t* c, xcb_window_t root, xcb_atom_t xroot, xcb_atom_t esetroot) {
    auto xroot_cookie = xcb_get_property(c, 0, root, xroot, XCB_ATOM_PIXMAP, 0, 1);
    auto esetroot_cookie = xcb_get_property(c, 0, root, esetroot, XCB_ATOM_PIXMAP, 0, 1);
    xcb_pixmap_t previous = pixmap_property(c, xroot_cookie);
    if (previous != XCB_NONE && previous == pixmap_property(c, esetroot_cookie))
        xcb_kill_client(c, previous); // one already freed gives an error nobody waits for
}

Status set_root_picture(xcb_connection_t* c, xcb_screen_t* screen, xcb_pixmap_t pixmap) {
    auto xroot_cookie = xcb_intern_atom(c, 0, 13, "_XROOTPMAP_ID");
    auto esetroot_cookie = xcb_intern_atom(c, 0, 16, "ESETROOT_PMAP_ID");
    xcb_atom_t xroot = atom_reply(c, xroot_cookie);
    xcb_atom_t esetroot = atom_reply(c, esetroot_cookie);
    if (xroot == XCB_ATOM_NONE || esetroot == XCB_ATOM_NONE)
        return fail("the X server did not register the wallpaper properties");
    release_previous_picture(c, screen->root, xroot, esetroot);

    xcb_window_t root = screen->root;
    auto set_xroot =
        xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, root, xroot, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
    auto set_esetroot = xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, root, esetroot, XCB_ATOM_PIXMAP,
                                                    32, 1, &pixmap);
    std::uint32_t background = pixmap;
    auto set_background = xcb_change_window_attributes_checked(c, root, XCB_CW_BACK_PIXMAP, &background);
    auto clear = xcb_clear_area_checked(c, 0, root, 0, 0, 0, 0);
    // The picture must outlive this connection; the next setter releases it.
    auto retain = xcb_set_close_down_mode_checked(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    for (auto [cookie, step] : {std::pair{set_xroot, "set _XROOTPMAP_ID"},
                                {set_esetroot, "set ESETROOT_PMAP_ID"},
                                {set_background, "set the root background"},
                                {clear, "repaint the root window"},
                                {retain, "keep the picture after exit"}})
        if (Status done = checked(c, cookie, step); !done)
            return done;
    return {};
}

} // namespace

X11RootBackend::X11RootBackend(std::string display) : display_(std::move(display)) {}

Status X11RootBackend::can_run() const {
    if (display_.empty() && environment_value("DISPLAY").empty())
        return fail("DISPLAY is not set");
    return {};
}

Status X11RootBackend::apply(const std::string& image_path) {
    std::string display_name = display_.empty() ? environment_value("DISPLAY") : display_;
    Result<DisplayConnection> connected = connect_display(display_name, server_answer_ms);
    if (!connected)
        return fail(connected.reason());
    xcb_connection_t* c = connected->connection.get();
    const int screen_index = connected->screen;
    xcb_prefetch_extension_data(c, &xcb_randr_id); // both asked in one round trip
    xcb_prefetch_extension_data(c, &xcb_shm_id);
    xcb_screen_t* screen = screen_number(c, screen_index);
    if (screen == nullptr)
        return fail("the X display " + display_name + " has no screen " + std::to_string(screen_index));
    Result<RootPixels> format = pixel_format(c, screen);
    if (!format)
        return fail(format.reason());

    // The whole image is decoded before anything on the screen changes: a file that cannot be
    // shown must not replace the current wallpaper. The new pixmap is no one's until the root
    // names it; until the close-down mode is set at the very end, a failure frees it on disconnect.
    PictureBuffer buffer(c, {screen->width_in_pixels, screen->height_in_pixels}, format.value());
    if (buffer.picture().empty())
        return fail("there is not enough memory for a picture of the screen's size");
    xcb_pixmap_t pixmap = xcb_generate_id(c);
    auto made = xcb_create_pixmap_checked(c, screen->root_depth, pixmap, screen->root,
                                          screen->width_in_pixels, screen->height_in_pixels);
    buffer.start(pixmap, screen->root_depth);
    if (Status drawn = draw_picture(image_path, monitor_rects(c, screen), buffer); !drawn)
        return drawn;
    if (Status created = checked(c, made, "create the wallpaper pixmap"); !created)
        return created;
    if (Status put = buffer.finish(); !put)
        return put;
    if (Status set = set_root_picture(c, screen, pixmap); !set)
        return set;
    if (xcb_connection_has_error(c))
        return fail("the connection to the X display " + display_name + " broke");
    return {};
}

} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_x11_backend() {
    return new wallcycle::X11RootBackend();
}
