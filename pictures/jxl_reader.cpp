#include "pictures/jxl_reader.h"

#include "pictures/picture_checks.h"
#include "pictures/picture_scaling.h"
#include "pictures/rgba_pixels.h"

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/resizable_parallel_runner_cxx.h>

#include <algorithm>
#include <string>
#include <thread>

namespace wallcycle {
namespace {

// Each layer of a picture is put together over all of it (in about 20 ns a pixel here): a small
// file of a few thousand one-pixel layers takes minutes. What the layers may cost in all, in
// pixels: a few seconds' work.
constexpr long long most_layer_pixels = 1ll << 28;

// How many layers the first picture of the file is made of, from the frames' headers alone (no
// pixel is decoded): counted until the picture is complete or the count passes `most`.
long long layers_of_first_picture(const std::string& bytes, long long most) {
    JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    JxlDecoder* d = decoder.get();
    if (d == nullptr || JxlDecoderSubscribeEvents(d, JXL_DEC_FRAME) != JXL_DEC_SUCCESS ||
        JxlDecoderSetCoalescing(d, JXL_FALSE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(d, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) !=
            JXL_DEC_SUCCESS)
        return 0;
    JxlDecoderCloseInput(d);
    long long layers = 0;
    while (JxlDecoderProcessInput(d) == JXL_DEC_FRAME) {
        JxlFrameHeader header{};
        if (JxlDecoderGetFrameHeader(d, &header) != JXL_DEC_SUCCESS || ++layers > most ||
            header.duration > 0 || header.is_last)
            break;
    }
    return layers; // a damaged file is the decoder's to report
}

} // namespace

Result<Picture> read_jxl(std::string bytes, const PictureRequest& request) {
    JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    JxlDecoder* d = decoder.get();
    // The picture's groups are decoded on the cores, as many threads as its size is worth (up to
    // four, and no more than the cores).
    JxlResizableParallelRunnerPtr runner = JxlResizableParallelRunnerMake(nullptr);
    if (d == nullptr || runner == nullptr ||
        JxlDecoderSetParallelRunner(d, JxlResizableParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
        return fail("there is not enough memory for the picture");
    // Coalesced frames: the first full image is the picture an animation starts with.
    if (JxlDecoderSubscribeEvents(d, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(d, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) !=
            JXL_DEC_SUCCESS)
        return picture_damaged("the decoder refused the file");
    JxlDecoderCloseInput(d);
    const JxlPixelFormat format{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    Result<Picture> picture = fail("");
    for (;;) {
        JxlDecoderStatus status = JxlDecoderProcessInput(d);
        if (status == JXL_DEC_BASIC_INFO) {
            JxlBasicInfo info{};
            if (JxlDecoderGetBasicInfo(d, &info) != JXL_DEC_SUCCESS)
                return picture_damaged("its header cannot be read");
            // The size is before turning: orientations 5 to 8 swap width and height.
            bool swapped = info.orientation >= JXL_ORIENT_TRANSPOSE;
            long long width = swapped ? info.ysize : info.xsize, height = swapped ? info.xsize : info.ysize;
            if (Status allowed = picture_size_allowed(width, height); !allowed)
                return fail(allowed.reason());
            const long long area = std::max<long long>(1, width * height),
                            layers = layers_of_first_picture(bytes, most_layer_pixels / area + 1);
            if (layers > 1 && layers * area > most_layer_pixels)
                return fail(
                    "its first picture is put together from more layers than a few seconds' work allows "
                    "(over " +
                    std::to_string(most_layer_pixels / area) + " at its size)");
            const unsigned threads =
                std::min<std::uint32_t>({JxlResizableParallelRunnerSuggestThreads(info.xsize, info.ysize), 4u,
                                         std::max(1u, std::thread::hardware_concurrency())});
            JxlResizableParallelRunnerSetThreads(runner.get(), threads);
            picture = Picture::make({static_cast<int>(width), static_cast<int>(height)});
            if (!picture)
                return picture;
        } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            std::size_t needed = 0;
            if (!picture)
                return picture_damaged("its pixels come before its header");
            Picture& p = picture.value();
            if (JxlDecoderImageOutBufferSize(d, &format, &needed) != JXL_DEC_SUCCESS ||
                needed != static_cast<std::size_t>(p.width()) * p.height() * 4 ||
                JxlDecoderSetImageOutBuffer(d, &format, p.row(0), needed) != JXL_DEC_SUCCESS)
                return picture_damaged("its pixels do not fit its header");
        } else if (status == JXL_DEC_FULL_IMAGE) {
            break;
        } else if (status == JXL_DEC_NEED_MORE_INPUT || status == JXL_DEC_SUCCESS) {
            return picture_damaged("the file is cut short");
        } else {
            return picture_damaged("the decoder could not read it");
        }
    }
    if (!picture)
        return picture_damaged("its pixels come before its header");
    decoder.reset();
    std::string().swap(bytes);
    Picture& p = picture.value();
    for (int y = 0; y < p.height(); ++y)
        rgba_to_pixels(reinterpret_cast<const unsigned char*>(p.row(y)), p.row(y), p.width());
    return as_requested(std::move(p), request);
}

} // namespace wallcycle

// The module's entry: the program loads this reader, and its library, only for such a picture.
extern "C" void wallcycle_read_jxl(std::string& bytes, const wallcycle::PictureRequest& request,
                                   wallcycle::Result<wallcycle::Picture>& out) {
    out = wallcycle::read_jxl(std::move(bytes), request);
}
