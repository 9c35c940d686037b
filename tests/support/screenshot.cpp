#include "tests/support/screenshot.h"

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <xcb/xcb.h>

namespace wallcycle::test {

QImage grab_screen_area(const std::string& display, int x, int y, int width, int height) {
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> owner(c, &xcb_disconnect);
    if (xcb_connection_has_error(c))
        throw std::runtime_error("cannot connect to " + display);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, static_cast<std::int16_t>(x),
                                static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
                                static_cast<std::uint16_t>(height), ~0u);
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
        xcb_get_image_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->depth != 24)
        throw std::runtime_error("cannot read the screen");
    // Depth 24 comes as 32-bit pixels, the layout of Format_RGB32 on this host.
    QImage image(xcb_get_image_data(reply.get()), width, height, width * 4, QImage::Format_RGB32);
    return image.copy();
}

} // namespace wallcycle::test
