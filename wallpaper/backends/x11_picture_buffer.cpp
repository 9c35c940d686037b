#include "wallpaper/backends/x11_picture_buffer.h"

#include "wallpaper/backends/xcb_reply.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <vector>

namespace wallcycle {
namespace {

bool server_has_shm(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    return shm != nullptr && shm->present; // whether it takes our memory, attaching it tells
}

} // namespace

PictureBuffer::PictureBuffer(xcb_connection_t* connection, Size size, RootPixels pixels)
    : connection_(connection), pixels_(pixels) {
    const std::size_t bytes = static_cast<std::size_t>(size.width) * size.height * 4;
    if (pixels == RootPixels::rgb32 && server_has_shm(connection)) {
        int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        void* memory = id >= 0 ? shmat(id, nullptr, 0) : reinterpret_cast<void*>(-1);
        if (memory != reinterpret_cast<void*>(-1)) {
            xcb_shm_seg_t segment = xcb_generate_id(connection);
            // A server elsewhere on the network cannot attach our memory: then the socket it is.
            if (checked(connection,
                        xcb_shm_attach_checked(connection, segment, static_cast<std::uint32_t>(id), 1),
                        "share memory")) {
                shared_ = memory;
                segment_ = segment;
                picture_ = Picture::lent(size, static_cast<std::uint32_t*>(memory), size.width);
            } else {
                shmdt(memory);
            }
        }
        if (id >= 0)
            shmctl(id, IPC_RMID, nullptr); // gone once the server and we have let go of it
    }
    if (picture_.empty()) {
        Result<Picture> own = Picture::make(size); // untouched pages cost nothing until drawn into
        if (own)
            picture_ = std::move(own.value());
    }
}

PictureBuffer::~PictureBuffer() {
    if (gc_ != 0)
        xcb_free_gc(connection_, gc_);
    if (segment_ != 0) {
        xcb_shm_detach(connection_, segment_);
        xcb_flush(connection_);
        shmdt(shared_);
    }
}

void PictureBuffer::start(xcb_pixmap_t pixmap, std::uint8_t depth) {
    pixmap_ = pixmap;
    depth_ = depth;
    gc_ = xcb_generate_id(connection_);
    requests_.emplace_back(xcb_create_gc_checked(connection_, gc_, pixmap, 0, nullptr),
                           "create a graphics context");
}

void PictureBuffer::rows_ready(int first, int count) {
    if (segment_ == 0 || gc_ == 0 || first != rows_sent_ || count <= 0)
        return;
    auto width = static_cast<std::uint16_t>(picture_.width());
    requests_.emplace_back(
        xcb_shm_put_image_checked(
            connection_, pixmap_, gc_, width, static_cast<std::uint16_t>(picture_.height()), 0,
            static_cast<std::uint16_t>(first), width, static_cast<std::uint16_t>(count), 0,
            static_cast<std::int16_t>(first), depth_, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment_, 0),
        "take the picture");
    xcb_flush(connection_); // the server starts on them now
    rows_sent_ = first + count;
}

Status PictureBuffer::finish() {
    if (segment_ != 0)
        rows_ready(rows_sent_, picture_.height() - rows_sent_);
    else
        upload_through_socket();
    Status result;
    for (auto [cookie, step] : requests_)
        if (Status done = checked(connection_, cookie, step); !done && result)
            result = done;
    requests_.clear();
    return result;
}

// In as few requests as the server's request size allows.
void PictureBuffer::upload_through_socket() {
    const std::size_t max_request = static_cast<std::size_t>(xcb_get_maximum_request_length(connection_)) * 4;
    const int bytes_per_pixel = pixels_ == RootPixels::rgb16 ? 2 : 4;
    const std::size_t stride = static_cast<std::size_t>(picture_.width()) * bytes_per_pixel;
    const int rows_per_request = static_cast<int>(std::max<std::size_t>(1, (max_request - 64) / stride));
    std::vector<std::uint8_t> rows;
    for (int top = 0; top < picture_.height(); top += rows_per_request) {
        int count = std::min(rows_per_request, picture_.height() - top);
        rows.resize(stride * count);
        for (int y = 0; y < count; ++y) {
            const std::uint32_t* from = picture_.row(top + y);
            if (pixels_ == RootPixels::rgb32) {
                std::memcpy(&rows[stride * y], from, stride);
                continue;
            }
            auto* to = reinterpret_cast<std::uint16_t*>(&rows[stride * y]);
            for (int x = 0; x < picture_.width(); ++x)
                to[x] = static_cast<std::uint16_t>((from[x] >> 8 & 0xf800) | (from[x] >> 5 & 0x07e0) |
                                                   (from[x] >> 3 & 0x001f));
        }
        // Sent before the buffer is filled again: the request is copied out when it is made.
        requests_.emplace_back(xcb_put_image_checked(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap_, gc_,
                                                     static_cast<std::uint16_t>(picture_.width()),
                                                     static_cast<std::uint16_t>(count), 0,
                                                     static_cast<std::int16_t>(top), 0, depth_,
                                                     static_cast<std::uint32_t>(rows.size()), rows.data()),
                               "take the picture");
    }
}

} // namespace wallcycle
