#pragma once
// The memory a wallpaper picture is drawn in before it goes to the X server: shared with the
// server (MIT-SHM) when it runs on this machine, so the picture is never sent through the socket;
// plain memory otherwise.

#include "wallpaper/picture.h"

#include <cstdint>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace wallcycle {

// How the root window's pixels are laid out: 32 bits 0xXXRRGGBB (our pictures' own), or 16 bits 5-6-5.
enum class RootPixels { rgb32, rgb16 };

class PictureBuffer {
public:
    PictureBuffer(xcb_connection_t* connection, Size size, RootPixels pixels);
    ~PictureBuffer();
    PictureBuffer(const PictureBuffer&) = delete;
    PictureBuffer& operator=(const PictureBuffer&) = delete;

    // The screen-sized picture to draw or decode into; empty when there was no memory for it.
    Picture& picture() { return picture_; }

    // Copies the picture into the pixmap on the server.
    Status upload(xcb_pixmap_t pixmap, std::uint8_t depth);

private:
    Status upload_through_socket(xcb_pixmap_t pixmap, xcb_gcontext_t gc, std::uint8_t depth);

    xcb_connection_t* connection_;
    RootPixels pixels_;
    Picture picture_;
    void* shared_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
};

} // namespace wallcycle
