#pragma once
// The memory a wallpaper picture is drawn in before it goes to the X server: shared with the
// server (MIT-SHM) when it runs on this machine, so the picture is never sent through the socket;
// plain memory otherwise.

#include "platform/result.h"

#include <QImage>
#include <cstdint>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace wallcycle {

class PictureBuffer {
public:
    PictureBuffer(xcb_connection_t* connection, QSize size, QImage::Format format);
    ~PictureBuffer();
    PictureBuffer(const PictureBuffer&) = delete;
    PictureBuffer& operator=(const PictureBuffer&) = delete;

    // The picture's pixels; draw or decode into this image.
    QImage& image() { return image_; }

    // Makes the picture exactly `picture` (same size), unless it already is that memory.
    void take(const QImage& picture);

    // Copies the picture into the pixmap on the server.
    Status upload(xcb_pixmap_t pixmap, std::uint8_t depth);

private:
    Status upload_through_socket(xcb_pixmap_t pixmap, xcb_gcontext_t gc, std::uint8_t depth);

    xcb_connection_t* connection_;
    QImage image_;
    void* shared_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
};

} // namespace wallcycle
