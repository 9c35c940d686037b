#pragma once
// The memory a wallpaper picture is drawn in before it goes to the X server: shared with the
// server (MIT-SHM) when it runs on this machine, so the picture is never sent through the socket;
// plain memory otherwise.

#include "pictures/picture.h"

#include <cstdint>
#include <utility>
#include <vector>
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

    // The pixmap the picture goes to, made now so that rows can go to it while the picture is
    // still being decoded: the server copies them while the next are decoded.
    void start(xcb_pixmap_t pixmap, std::uint8_t depth);

    // Rows of the picture that are finished, from the top (with shared memory only; otherwise
    // they all go at the end).
    void rows_ready(int first, int count);

    // Copies the rest of the picture into the pixmap, and says whether the server took it all.
    Status finish();

private:
    void upload_through_socket();

    xcb_connection_t* connection_;
    RootPixels pixels_;
    Picture picture_;
    void* shared_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
    xcb_pixmap_t pixmap_ = 0;
    xcb_gcontext_t gc_ = 0;
    std::uint8_t depth_ = 0;
    int rows_sent_ = 0;
    std::vector<std::pair<xcb_void_cookie_t, const char*>> requests_;
};

} // namespace wallcycle
