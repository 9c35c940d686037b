// The floor for "/e" on this machine: the least a program can do to show a JPEG as the X root's
// background — libjpeg-turbo decoding at the scale the screen needs straight into memory shared
// with the X server, one pixmap, the root atoms set. No toolkit, no checks, no error recovery: a
// yardstick for bench/e-mode, not a wallpaper setter.

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <vector>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace {

struct Failure {
    jpeg_error_mgr manager;
    jmp_buf back;
};

void fail_out(j_common_ptr info) {
    longjmp(reinterpret_cast<Failure*>(info->err)->back, 1);
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t found = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PICTURE.jpg\n", argv[0]);
        return 2;
    }
    FILE* file = std::fopen(argv[1], "rb");
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (file == nullptr || xcb_connection_has_error(c))
        return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    int width = screen->width_in_pixels, height = screen->height_in_pixels;

    jpeg_decompress_struct jpeg{};
    Failure failure{};
    jpeg.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = fail_out;
    if (setjmp(failure.back) != 0)
        return 1;
    jpeg_create_decompress(&jpeg);
    jpeg_stdio_src(&jpeg, file);
    jpeg_read_header(&jpeg, TRUE);
    // The largest reduction that still covers the screen.
    for (unsigned denominator = 8; denominator > 1; denominator /= 2)
        if (jpeg.image_width / denominator >= static_cast<unsigned>(width) &&
            jpeg.image_height / denominator >= static_cast<unsigned>(height)) {
            jpeg.scale_num = 1;
            jpeg.scale_denom = denominator;
            break;
        }
    jpeg.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&jpeg);
    int left = std::max(0, static_cast<int>(jpeg.output_width) - width) / 2;
    int top = std::max(0, static_cast<int>(jpeg.output_height) - height) / 2;

    std::size_t stride = static_cast<std::size_t>(width) * 4;
    int segment = shmget(IPC_PRIVATE, stride * height, IPC_CREAT | 0600);
    auto* pixels = static_cast<unsigned char*>(shmat(segment, nullptr, 0));
    shmctl(segment, IPC_RMID, nullptr);
    std::vector<unsigned char> line(jpeg.output_width * 4);
    while (jpeg.output_scanline < jpeg.output_height) {
        unsigned char* row = line.data();
        int y = static_cast<int>(jpeg.output_scanline) - top;
        jpeg_read_scanlines(&jpeg, &row, 1);
        if (y >= 0 && y < height)
            std::memcpy(pixels + stride * y, line.data() + left * 4,
                        std::min<std::size_t>(stride, (jpeg.output_width - left) * 4));
    }
    jpeg_finish_decompress(&jpeg);

    xcb_shm_seg_t shared = xcb_generate_id(c);
    xcb_shm_attach(c, shared, static_cast<uint32_t>(segment), 0);
    xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, pixmap, screen->root, width, height);
    xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    xcb_shm_put_image(c, pixmap, gc, width, height, 0, 0, width, height, 0, 0, screen->root_depth,
                      XCB_IMAGE_FORMAT_Z_PIXMAP, 0, shared, 0);
    // The picture before, when it is kept by a client gone like this one, is freed (as feh does).
    xcb_atom_t root_atom = atom(c, "_XROOTPMAP_ID"), esetroot_atom = atom(c, "ESETROOT_PMAP_ID");
    xcb_get_property_reply_t* old_root = xcb_get_property_reply(
        c, xcb_get_property(c, 0, screen->root, root_atom, XCB_ATOM_PIXMAP, 0, 1), nullptr);
    xcb_get_property_reply_t* old_esetroot = xcb_get_property_reply(
        c, xcb_get_property(c, 0, screen->root, esetroot_atom, XCB_ATOM_PIXMAP, 0, 1), nullptr);
    if (old_root != nullptr && old_esetroot != nullptr && xcb_get_property_value_length(old_root) == 4 &&
        xcb_get_property_value_length(old_esetroot) == 4) {
        auto previous = *static_cast<xcb_pixmap_t*>(xcb_get_property_value(old_root));
        if (previous == *static_cast<xcb_pixmap_t*>(xcb_get_property_value(old_esetroot)))
            xcb_kill_client(c, previous);
    }
    std::free(old_root);
    std::free(old_esetroot);
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"})
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom(c, name), XCB_ATOM_PIXMAP, 32, 1,
                            &pixmap);
    xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT);
    // A round trip: the server has done all that came before.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
    return 0;
}
