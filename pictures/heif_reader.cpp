#include "pictures/heif_reader.h"

#include "pictures/box_average.h"
#include "pictures/picture_checks.h"
#include "pictures/picture_scaling.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <libheif/heif.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

// libheif 1.19 and later decode a grid (how phones store their photos) one tile at a time.
#if defined(LIBHEIF_HAVE_VERSION) && LIBHEIF_HAVE_VERSION(1, 19, 0)
#define WALLCYCLE_HEIF_TILES 1
#else
#define WALLCYCLE_HEIF_TILES 0
#endif

namespace wallcycle {
namespace {

// A HEIF picture is taken up to this many pixels on a side, whatever libheif's own limit (which
// newer libheif applies to the area alone). Phone panoramas stay well within it.
constexpr int largest_heif_side = 16384;

struct HeifDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
    void operator()(heif_image* i) const { heif_image_release(i); }
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
template <typename T> using HeifOwned = std::unique_ptr<T, HeifDeleter>;

Failure heif_failure(const heif_error& error, const char* decoder_package) {
    std::string message = error.message != nullptr ? error.message : "unknown error";
    message.erase(message.find_last_not_of("\n ") + 1);
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return fail("the image is too large (" + message + ")");
    // Where libheif loads its codecs as plugins, the one for this picture may not be installed.
    if (error.code == heif_error_Unsupported_feature && error.subcode == heif_suberror_Unsupported_codec)
        return fail("no decoder for this picture is installed (" + message + "; on Debian it is in " +
                    decoder_package + ")");
    return picture_damaged(message);
}

Status sides_allowed(int width, int height) {
    if (width > largest_heif_side || height > largest_heif_side)
        return fail("the image is too large (" + std::to_string(width) + "x" + std::to_string(height) +
                    " pixels; HEIF pictures are taken up to " + std::to_string(largest_heif_side) +
                    " pixels on a side)");
    return picture_size_allowed(width, height);
}

// The planes of red, green and blue (and alpha) of a decoded picture, read as pixels a row at a
// time. Deeper samples (HDR) come in 16 bits and are brought down to 8.
class PlanarRows {
public:
    explicit PlanarRows(const heif_image* image) {
        alpha_ = heif_image_has_channel(image, heif_channel_Alpha) != 0;
        depth_ = heif_image_get_bits_per_pixel_range(image, heif_channel_R);
        size_ = {heif_image_get_width(image, heif_channel_R), heif_image_get_height(image, heif_channel_R)};
        const heif_channel channels[4] = {heif_channel_R, heif_channel_G, heif_channel_B, heif_channel_Alpha};
        ok_ = size_.valid() && depth_ >= 8 && depth_ <= 16;
        for (int c = 0; c < channel_count() && ok_; ++c) {
            planes_[c] = heif_image_get_plane_readonly(image, channels[c], &strides_[c]);
            ok_ = planes_[c] != nullptr &&
                  heif_image_get_bits_per_pixel_range(image, channels[c]) == depth_ &&
                  heif_image_get_width(image, channels[c]) == size_.width &&
                  heif_image_get_height(image, channels[c]) == size_.height;
        }
    }

    bool ok() const { return ok_; }
    Size size() const { return size_; }

    // Pixels [x, x + count) of row y, into `out`.
    void row(int y, int x, int count, std::uint32_t* out) const {
        const uint8_t* at[4] = {};
        for (int c = 0; c < channel_count(); ++c)
            at[c] = planes_[c] + static_cast<std::ptrdiff_t>(y) * strides_[c];
        auto sample = [&](int c, int i) -> std::uint32_t {
            if (depth_ == 8)
                return at[c][i];
            std::uint16_t wide;
            std::memcpy(&wide, at[c] + 2 * static_cast<std::ptrdiff_t>(i), 2);
            return std::min<std::uint32_t>(255, (wide + (1u << (depth_ - 9))) >> (depth_ - 8));
        };
        for (int i = x; i < x + count; ++i) {
            const std::uint32_t pixel = sample(0, i) << 16 | sample(1, i) << 8 | sample(2, i);
            *out++ = alpha_ ? over_black(sample(3, i) << 24 | pixel) : pixel;
        }
    }

private:
    int channel_count() const { return alpha_ ? 4 : 3; }

    bool ok_ = false;
    bool alpha_ = false;
    int depth_ = 0;
    Size size_;
    const uint8_t* planes_[4] = {};
    int strides_[4] = {};
};

// Where the decoded rows go, in order from the top: straight into the picture, or averaged down by
// whole k x k boxes when the picture is k times larger than the screen needs.
class RowSink {
public:
    RowSink(Picture& picture, int k)
        : picture_(picture), k_(k), average_(picture, k),
          line_(k > 1 ? new (std::nothrow) std::uint32_t[static_cast<std::size_t>(picture.width()) * k]
                      : nullptr) {}

    bool ready() const { return k_ == 1 || (line_ && average_.ready()); }
    // The rows that are used: whole boxes only.
    int height() const { return picture_.height() * k_; }
    int width() const { return picture_.width() * k_; }
    // Where row y is written before it is handed on with done(y).
    std::uint32_t* row(int y) { return k_ > 1 ? line_.get() : picture_.row(y); }
    void done(int y) {
        if (k_ > 1)
            average_.add(y, line_.get());
    }

private:
    Picture& picture_;
    int k_;
    BoxAverage average_;
    std::unique_ptr<std::uint32_t[]> line_;
};

Result<Picture> picture_for(Size size, const PictureRequest& request) {
    const int k = box_factor(size, request.cover);
    return picture_memory({size.width / k, size.height / k}, request);
}

// The whole picture decoded at once, then turned into pixels.
// Decoded whole, a picture is held at its full size, in libheif's colours and then in planes of
// red, green and blue (about 4.5 bytes a pixel): over this many pixels that passes 512 MiB.
constexpr long long most_whole_pixels = 100'000'000;

Result<Picture> decode_whole(heif_image_handle* handle, const heif_decoding_options* options,
                             const PictureRequest& request, const char* decoder_package) {
    const long long pixels =
        static_cast<long long>(heif_image_handle_get_width(handle)) * heif_image_handle_get_height(handle);
    if (pixels > most_whole_pixels)
        return fail("the picture is too large to decode at once (" + std::to_string(pixels / 1'000'000) +
                    " million pixels; libheif 1.19 and later decode such a grid a tile at a time)");
    heif_image* decoded = nullptr;
    heif_error error = heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_444, options);
    HeifOwned<heif_image> image(decoded);
    if (error.code != heif_error_Ok)
        return heif_failure(error, decoder_package);
    PlanarRows planes(decoded);
    if (!planes.ok())
        return picture_damaged("no picture was decoded");
    if (Status allowed = sides_allowed(planes.size().width, planes.size().height); !allowed)
        return fail(allowed.reason());
    Result<Picture> picture = picture_for(planes.size(), request);
    if (!picture)
        return picture;
    RowSink sink(picture.value(), box_factor(planes.size(), request.cover));
    if (!sink.ready())
        return fail("there is not enough memory for the picture");
    for (int y = 0; y < sink.height(); ++y) {
        planes.row(y, 0, sink.width(), sink.row(y));
        sink.done(y);
    }
    return picture;
}

// The file read by libheif, and its primary picture.
struct HeifFile {
    HeifOwned<heif_context> context;
    HeifOwned<heif_image_handle> primary;
};

Result<HeifFile> open_heif(std::string_view bytes, const char* decoder_package) {
    HeifFile file{HeifOwned<heif_context>(heif_context_alloc()), nullptr};
    if (!file.context)
        return fail("there is not enough memory for the picture");
    // libheif sizes some pictures (overlays) from data of their own, after our check of the header:
    // its own limit bounds those, and the decoded picture's sides are checked again.
    heif_context_set_maximum_image_size_limit(file.context.get(), largest_heif_side);
    heif_error error =
        heif_context_read_from_memory_without_copy(file.context.get(), bytes.data(), bytes.size(), nullptr);
    if (error.code != heif_error_Ok)
        return heif_failure(error, decoder_package);
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(file.context.get(), &primary);
    file.primary.reset(primary);
    if (error.code != heif_error_Ok)
        return heif_failure(error, decoder_package);
    return file;
}

#if WALLCYCLE_HEIF_TILES
// Whether the picture is a grid of more than one tile whose layout adds up: its size the picture's
// own, every tile within the bounds of a side, the first tile's offset within it.
bool tiles_usable(const heif_image_handle* handle, heif_image_tiling& tiling) {
    if (heif_image_handle_get_image_tiling(handle, 1, &tiling).code != heif_error_Ok)
        return false;
    const auto side_ok = [](std::uint32_t side) { return side > 0 && side <= largest_heif_side; };
    return tiling.num_columns * static_cast<std::uint64_t>(tiling.num_rows) > 1 &&
           side_ok(tiling.tile_width) && side_ok(tiling.tile_height) &&
           tiling.left_offset < tiling.tile_width && tiling.top_offset < tiling.tile_height &&
           tiling.image_width == static_cast<std::uint32_t>(heif_image_handle_get_width(handle)) &&
           tiling.image_height == static_cast<std::uint32_t>(heif_image_handle_get_height(handle));
}

// An honest grid names each of its tiles once, and each tile takes bytes of the file of its own
// (its entries in the lists of items, references and properties, its coded data): a grid that
// names one tile at hundreds of places is seconds of decoding for a few kilobytes of file.
Status tiles_named_once(const heif_image_handle* handle, const heif_image_tiling& tiling,
                        std::size_t file_bytes) {
    const std::uint64_t places = static_cast<std::uint64_t>(tiling.num_columns) * tiling.num_rows;
    if (places > file_bytes / 16)
        return fail("its grid has " + std::to_string(places) + " tiles, more than its " +
                    std::to_string(file_bytes) + " bytes can hold");
    std::unordered_set<heif_item_id> seen;
    for (std::uint32_t ty = 0; ty < tiling.num_rows; ++ty)
        for (std::uint32_t tx = 0; tx < tiling.num_columns; ++tx) {
            heif_item_id id = 0;
            // A picture tiled within one item (not a grid of items) has no tiles to compare.
            if (heif_image_handle_get_grid_image_tile_id(handle, 1, tx, ty, &id).code != heif_error_Ok)
                return {};
            if (!seen.insert(id).second)
                return fail("its grid names one tile at more than one of its " + std::to_string(places) +
                            " places");
        }
    return {};
}

// A grid decoded one tile at a time, each tile's rows going straight into the picture or into the
// sums of its boxes: only the tiles being decoded and the sums of one row of tiles are held, never
// the whole picture at its full size. The tiles of a row are shared out between threads, each
// with a reading of the file of its own (a libheif context is used by one thread at a time).
Result<Picture> decode_tiles(std::string_view bytes, HeifFile& file, const heif_image_tiling& tiling,
                             const heif_decoding_options* options, const PictureRequest& request,
                             const char* decoder_package) {
    const Size size{static_cast<int>(tiling.image_width), static_cast<int>(tiling.image_height)};
    const int tile_width = static_cast<int>(tiling.tile_width),
              tile_height = static_cast<int>(tiling.tile_height);
    const int left = -static_cast<int>(tiling.left_offset), top = -static_cast<int>(tiling.top_offset);
    Result<Picture> picture = picture_for(size, request);
    if (!picture)
        return picture;
    const int k = box_factor(size, request.cover);
    const int width = picture->width() * k, height = picture->height() * k; // whole boxes only
    BoxAverage average(picture.value(), k, tile_height);
    if (k > 1 && !average.ready())
        return fail("there is not enough memory for the picture");

    // One reading of the file per thread; a thread whose reading cannot be made is not started.
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<heif_image_handle*> handles{file.primary.get()};
    std::vector<HeifFile> more;
    while (handles.size() < std::min<std::size_t>(cores, tiling.num_columns)) {
        Result<HeifFile> other = open_heif(bytes, decoder_package);
        if (!other)
            break;
        more.push_back(std::move(other.value()));
        handles.push_back(more.back().primary.get());
    }

    std::mutex lock; // the sums and the first failure
    std::optional<Failure> failed;
    // However honest the file, the work is bounded by time.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto decode_share = [&](std::size_t share, std::uint32_t ty, int band_top, int first, int last) {
        std::vector<std::uint32_t> line(k > 1 ? tile_width : 0);
        for (std::uint32_t tx = share; tx < tiling.num_columns; tx += handles.size()) {
            const int tile_left = left + static_cast<int>(tx) * tile_width;
            const int from = std::max(0, tile_left), to = std::min(width, tile_left + tile_width);
            if (from >= to)
                continue;
            if (std::chrono::steady_clock::now() > deadline) {
                std::lock_guard<std::mutex> held(lock);
                if (!failed)
                    failed = fail("its " + std::to_string(tiling.num_columns * tiling.num_rows) +
                                  " tiles take more than 10 s to decode");
                return;
            }
            heif_image* decoded = nullptr;
            heif_error error = heif_image_handle_decode_image_tile(
                handles[share], &decoded, heif_colorspace_RGB, heif_chroma_444, options, tx, ty);
            HeifOwned<heif_image> tile(decoded);
            PlanarRows planes(decoded);
            std::lock_guard<std::mutex> held(lock);
            if (failed)
                return;
            if (error.code != heif_error_Ok) {
                failed = heif_failure(error, decoder_package);
                return;
            }
            if (!planes.ok() || planes.size().width < to - tile_left ||
                planes.size().height < last - band_top) {
                failed = picture_damaged("a tile of the picture was not decoded");
                return;
            }
            for (int y = first; y < last; ++y) {
                if (k == 1) {
                    planes.row(y - band_top, from - tile_left, to - from, picture.value().row(y) + from);
                    continue;
                }
                planes.row(y - band_top, from - tile_left, to - from, line.data());
                average.add(y, from, line.data(), to - from);
            }
        }
    };
    for (std::uint32_t ty = 0; ty < tiling.num_rows && !failed; ++ty) {
        const int band_top = top + static_cast<int>(ty) * tile_height;
        const int first = std::max(0, band_top), last = std::min(height, band_top + tile_height);
        if (first >= last)
            continue;
        std::vector<std::thread> helpers;
        for (std::size_t share = 1; share < handles.size(); ++share) {
            try {
                helpers.emplace_back(decode_share, share, ty, band_top, first, last);
            } catch (const std::system_error&) { // no thread to be had: this one decodes that share
                decode_share(share, ty, band_top, first, last);
            }
        }
        decode_share(0, ty, band_top, first, last);
        for (std::thread& helper : helpers)
            helper.join();
        if (k > 1 && !failed)
            average.done(last);
    }
    if (failed)
        return std::move(*failed);
    return picture;
}
#endif

} // namespace

Result<Picture> read_heif(std::string bytes, const PictureRequest& request) {
    const bool avif = bytes.size() >= 12 && std::string_view(bytes).substr(8, 4).starts_with("avi");
    const char* decoder_package =
        avif ? "libheif-plugin-dav1d or libheif-plugin-aomdec" : "libheif-plugin-libde265";
    Result<HeifFile> file = open_heif(bytes, decoder_package);
    if (!file)
        return fail(file.reason());
    heif_image_handle* primary = file->primary.get();
    // The size it is shown at, turned as it says; checked before a pixel is decoded.
    if (Status allowed =
            sides_allowed(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
        !allowed)
        return fail(allowed.reason());
    HeifOwned<heif_decoding_options> options(heif_decoding_options_alloc());
    if (!options)
        return fail("there is not enough memory for the picture");
    options->ignore_transformations = 0; // turned and mirrored as the camera says
    // As planes of red, green and blue: libheif turns its colours into those without holding the
    // picture in a form of more bytes a pixel than they take, and the planes become our pixels
    // while they are averaged down to the size the screen needs.
#if WALLCYCLE_HEIF_TILES
    heif_image_tiling tiling{};
    const bool tiled = tiles_usable(primary, tiling);
    if (Status honest = tiled ? tiles_named_once(primary, tiling, bytes.size()) : Status(); !honest)
        return fail(honest.reason());
    Result<Picture> picture =
        tiled ? decode_tiles(bytes, file.value(), tiling, options.get(), request, decoder_package)
              : decode_whole(primary, options.get(), request, decoder_package);
#else
    Result<Picture> picture = decode_whole(primary, options.get(), request, decoder_package);
#endif
    if (!picture)
        return picture;
    // libheif's memory and the file's bytes go before the picture is scaled the rest of the way.
    file = fail("");
    std::string().swap(bytes);
    return as_requested(std::move(picture.value()), request);
}

} // namespace wallcycle

// The module's entry: the program loads this reader, and its library, only for such a picture.
extern "C" void wallcycle_read_heif(std::string& bytes, const wallcycle::PictureRequest& request,
                                    wallcycle::Result<wallcycle::Picture>& out) {
    out = wallcycle::read_heif(std::move(bytes), request);
}
