// The program's own decoders against Qt's readers of the same files, or the formats' own tools where
// Qt reads none: the same pixels, whatever the variant of the format (no X server needed).

#include "pictures/box_average.h"
#include "pictures/jpeg_reader.h"
#include "pictures/picture_formats.h"
#include "pictures/picture_reader.h"
#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"

#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using namespace wallcycle;
using namespace wallcycle::test;
using namespace std::string_literals;

namespace {

// Detail in every channel, so a swapped channel, a shifted row or a lost bit shows.
QImage pattern(int width, int height, bool alpha) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba(x * 255 / width, y * 255 / height, (x * y) % 256,
                                 alpha ? (x + y) * 255 / (width + height) : 255));
    return image;
}

// A JPEG whose EXIF says the camera was turned (orientation 6: shown turned right).
std::string with_orientation(const std::string& jpeg, char orientation) {
    std::string exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif += std::string(1, orientation) + std::string("\0\0\0\0\0\0", 6);
    std::string segment = "\xff\xe1" + std::string(1, static_cast<char>((exif.size() + 2) >> 8)) +
                          std::string(1, static_cast<char>((exif.size() + 2) & 0xff)) + exif;
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

// Our decoding of the file has the expected picture's size and, within the tolerance (mean
// difference per channel), its pixels (transparency drawn over black).
void expect_decoded_as(const std::string& path, const QImage& expected, double tolerance) {
    Result<Picture> ours = read_picture(path);
    ASSERT_TRUE(ours.ok()) << ours.reason();
    ASSERT_EQ(ours->width(), expected.width()) << path;
    ASSERT_EQ(ours->height(), expected.height()) << path;
    QImage decoded(reinterpret_cast<const uchar*>(ours->row(0)), ours->width(), ours->height(),
                   static_cast<qsizetype>(ours->stride() * 4), QImage::Format_RGB32);
    EXPECT_LE(mean_difference(decoded, expected), tolerance) << path;
}

TEST(PictureReaders, DecodeAsQtsReadersDo) {
    TempDir dir;
    auto qt_write = [&](const char* format, QImage image, int quality = -1, bool progressive = false) {
        return [=](const std::string& path) {
            QImageWriter writer(QString::fromStdString(path), format);
            writer.setQuality(quality);
            writer.setProgressiveScanWrite(progressive);
            ASSERT_TRUE(writer.write(image)) << path;
        };
    };
    const QImage opaque = pattern(67, 41, false), translucent = pattern(67, 41, true);
    struct Case {
        const char* file;
        std::function<void(const std::string&)> write;
        double tolerance; // mean difference per channel
    } cases[] = {
        // clang-format off
        {"rgb.png", qt_write("png", opaque), 0},
        {"alpha.png", qt_write("png", translucent), 0.6}, // drawn over black, rounded either way
        {"indexed.png", qt_write("png", opaque.convertToFormat(QImage::Format_Indexed8)), 0},
        {"grey16.png", qt_write("png", opaque.convertToFormat(QImage::Format_Grayscale16)), 0.6},
        {"rgba64.png", qt_write("png", translucent.convertToFormat(QImage::Format_RGBA64)), 0.6},
        {"interlaced.png", [&](const std::string& p) { qt_write("png", opaque)(p + ".png"); run("convert", {p + ".png", "-interlace", "PNG", "PNG32:" + p}); }, 0}, // Qt writes none
        {"baseline.jpg", qt_write("jpeg", opaque, 90), 0.5},
        {"progressive.jpg", qt_write("jpeg", opaque, 90, true), 0.5},
        {"grey.jpg", qt_write("jpeg", opaque.convertToFormat(QImage::Format_Grayscale8), 90), 0.5},
        {"turned.jpg", [&](const std::string& p) { qt_write("jpeg", opaque, 90)(p); write_file(p, with_orientation(read_file(p), 6)); }, 0.5},
        {"lossy.webp", qt_write("webp", opaque, 80), 0.5},
        {"lossless-alpha.webp", qt_write("webp", translucent, 100), 0.6},
        {"rgb.bmp", qt_write("bmp", opaque), 0},
        // The formats Qt's readers read for us, in the module:
        {"tiff.tiff", qt_write("tiff", opaque), 0},
        {"indexed.gif", [&](const std::string& p) { qt_write("png", opaque)(p + ".png"); run("convert", {p + ".png", "GIF:" + p}); }, 0},
        {"animated.webp", [&](const std::string& p) { qt_write("png", opaque)(p + ".png"); qt_write("png", opaque.mirrored())(p + "2.png"); run("convert", {p + ".png", p + "2.png", "-loop", "0", "WEBP:" + p}); }, 0},
        {"icon.ico", qt_write("ico", opaque), 0},
        {"rgb.ppm", qt_write("ppm", opaque), 0},
        {"grey.pgm", qt_write("pgm", opaque), 0},
        {"mono.pbm", qt_write("pbm", opaque), 0},
        {"colours.xpm", qt_write("xpm", opaque), 0},
        {"drawing.svg", [](const std::string& p) { write_file(p, R"(<svg xmlns="http://www.w3.org/2000/svg" width="67" height="41"><rect width="40" height="41" fill="#c03"/></svg>)"); }, 0},
        // clang-format on
    };
    std::vector<std::string> files;
    for (const auto& c : cases) {
        c.write(dir.file(c.file));
        files.push_back(dir.file(c.file));
    }
    // Bitmap variants Qt does not write: 1 and 4 bits, RLE4, 16-bit bit fields, OS/2's header,
    // top-down rows.
    const std::string corpus = std::string(WALLCYCLE_SOURCE_DIR) + "/tests/fuzz/bmp_reader_corpus/";
    for (const char* name : {"mono", "rle4", "bitfields565", "os2", "topdown32"})
        files.push_back(corpus + name + ".bmp");

    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& path = files[i];
        // Qt widens 5 bits by shifting (31 is 248), ours scales (31 is 255).
        double tolerance = i < std::size(cases) ? cases[i].tolerance : path.ends_with("565.bmp") ? 5 : 0;
        QImageReader reader(QString::fromStdString(path));
        reader.setAutoTransform(true);
        QImage expected = reader.read();
        ASSERT_FALSE(expected.isNull()) << path;
        expected = expected.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        expect_decoded_as(path, expected, tolerance);
    }
    // Every format of the table has a file here (HEIF and JPEG XL in the next test): its first
    // bytes show it, or, for a text format, its name.
    for (const FormatRow& row : format_rows()) {
        if (row.format == PictureFormat::heif || row.format == PictureFormat::jxl)
            continue;
        EXPECT_TRUE(std::any_of(
            files.begin(), files.end(),
            [&](const std::string& path) {
                return row.starts != nullptr
                           ? format_of(read_file(path).substr(0, format_mark_size)) == row.format
                           : path.ends_with("." + std::string(row.endings.substr(0, row.endings.find(' '))));
            }))
            << "no file of format " << static_cast<int>(row.format) << " (" << row.endings << ")";
    }
}

// HEIC, AVIF and JPEG XL, written by the formats' own encoders, against their own decoders.
TEST(PictureReaders, DecodeAsTheFormatsOwnToolsDo) {
    TempDir dir;
    auto save = [&](const char* name, const QImage& image) {
        EXPECT_TRUE(image.save(QString::fromStdString(dir.file(name)))) << name;
        return dir.file(name);
    };
    const std::string src = save("src.png", pattern(67, 41, false)),
                      alpha = save("alpha.png", pattern(67, 41, true)),
                      other = save("other.png", pattern(41, 67, false)),
                      deep = save("deep.png", pattern(67, 41, false).convertToFormat(QImage::Format_RGBA64)),
                      large = save("large.png", pattern(160, 128, false)),
                      second = save("second.png", pattern(67, 41, false).mirrored(true, true));
    struct Case {
        const char* file;
        std::vector<std::string> encode; // the file's name is added last
        double tolerance;                // mean difference per channel from the tool's decoding
        const char* decode = "heif-convert";
    } cases[] = {
        {"photo.heic", {"heif-enc", "-q", "90", src, "-o"}, 1},
        {"ten-bit.heic", {"heif-enc", "-b", "10", deep, "-o"}, 1},
        {"alpha.heic", {"heif-enc", "-q", "90", alpha, "-o"}, 1.5},
        {"collection.heic", {"heif-enc", src, other, "-o"}, 1}, // the first is the primary picture
        {"photo.avif", {"heif-enc", "-A", "-q", "90", src, "-o"}, 1},
        {"turned.avif", {"avifenc", "--irot", "1", src}, 1},
        {"mirrored.avif", {"avifenc", "--imir", "1", src}, 1},
        {"grid.avif", {"avifenc", "--grid", "2x2", large}, 1},
        {"animated.avif", {"avifenc", src, second}, 1, "avifdec"}, // its first frame
        {"lossless.jxl", {"cjxl", "-d", "0", src}, 0, "djxl"},
        {"lossy.jxl", {"cjxl", "-d", "1", src}, 1, "djxl"},
        {"alpha.jxl", {"cjxl", "-d", "0", alpha}, 0.6, "djxl"},
    };
    for (const auto& c : cases) {
        std::string path = dir.file(c.file), decoded = path + ".png";
        std::vector<std::string> encode(c.encode.begin() + 1, c.encode.end());
        encode.push_back(path);
        Finished made = run(c.encode[0], encode);
        ASSERT_EQ(made.exit_code, 0) << c.file << ": " << made.err << made.out;
        Finished tool = run(c.decode, {path, decoded});
        ASSERT_EQ(tool.exit_code, 0) << c.file << ": " << tool.err << tool.out;
        if (!std::filesystem::exists(decoded)) // a collection: one file each, the first "-1"
            decoded = path + "-1.png";
        QImage expected(QString::fromStdString(decoded));
        ASSERT_FALSE(expected.isNull()) << decoded;
        expect_decoded_as(path, expected.convertToFormat(QImage::Format_ARGB32_Premultiplied), c.tolerance);
    }
}

// RLE8 with a jump over pixels, which stay black (Qt leaves them as whatever its memory held).
TEST(PictureReaders, RunLengthJumpsLeaveBlack) {
    Result<Picture> picture =
        read_picture(std::string(WALLCYCLE_SOURCE_DIR) + "/tests/fuzz/bmp_reader_corpus/rle8.bmp");
    ASSERT_TRUE(picture.ok()) << picture.reason();
    const std::uint32_t seven = 0x03f807, nine = 0x04f609; // palette entries 7 and 9
    const std::uint32_t expected[3][4] = {{0, nine, nine, 0}, {0, 0, 0, 0}, {seven, seven, seven, seven}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(picture->row(y)[x] & 0xffffff, expected[y][x]) << x << "," << y;
}

TEST(PictureReaders, ExifOrientationIsReadFromEitherByteOrder) {
    const std::pair<std::string, int> cases[] = {
        {"Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x08\0\0\0"s, 8},
        {"Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x03\0\0"s, 3},
        {"Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x09\0\0\0"s, 1}, // no such
        {"Exif\0\0II*\0\xff\xff\0\0\x01\0"s, 1},                                 // IFD past the end
        {"Exif\0\0II*\0\x08\0\0\0\xff\xff\x12\x01"s, 1},                         // entries past the end
        {"http://ns.adobe.com/xap/1.0/"s, 1},                                    // XMP, not EXIF
    };
    for (const auto& [app1, orientation] : cases)
        EXPECT_EQ(exif_orientation(app1), orientation) << orientation;
}

} // namespace

// A picture averaged down as its rows come whole, or in tiles (a grid's, in any order within a row
// of tiles, the first tile cut by an offset): the same pixels, each the rounded mean of its box.
TEST(PictureReaders, BoxAverageOfTilesIsTheAverageOfRows) {
    struct Case {
        int k, tile_width, tile_height, top;
    };
    const Case cases[] = {{2, 64, 64, 0}, {3, 50, 37, 5}, {4, 512, 7, 0}, {17, 40, 90, 11}, {1, 30, 30, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE("k " + std::to_string(c.k) + ", tiles " + std::to_string(c.tile_width) + "x" +
                     std::to_string(c.tile_height));
        const int width = 173, height = 211;
        std::vector<std::uint32_t> source(static_cast<std::size_t>(width) * height);
        std::uint32_t seed = 12345;
        for (std::uint32_t& pixel : source)
            pixel = (seed = seed * 1103515245 + 12345) >> 8 & 0xffffff;
        const Size out_size{width / c.k, height / c.k};
        Picture by_rows = Picture::make(out_size).value(), by_tiles = Picture::make(out_size).value();
        BoxAverage rows(by_rows, c.k), tiles(by_tiles, c.k, c.tile_height);
        ASSERT_TRUE(rows.ready() && tiles.ready());
        for (int y = 0; y < height; ++y)
            rows.add(y, &source[static_cast<std::size_t>(y) * width]);
        for (int band = -c.top; band < height; band += c.tile_height) {
            for (int left = (width - 1) / c.tile_width * c.tile_width; left >= 0; left -= c.tile_width)
                for (int y = std::max(0, band); y < std::min(height, band + c.tile_height); ++y) {
                    const int count = std::min(c.tile_width, width - left);
                    tiles.add(y, left, &source[static_cast<std::size_t>(y) * width + left], count);
                }
            tiles.done(std::min(height, band + c.tile_height));
        }
        for (int y = 0; y < out_size.height; ++y)
            for (int x = 0; x < out_size.width; ++x) {
                std::uint32_t mean = 0;
                for (int shift : {16, 8, 0}) {
                    int sum = 0;
                    for (int dy = 0; dy < c.k; ++dy)
                        for (int dx = 0; dx < c.k; ++dx)
                            sum += source[static_cast<std::size_t>(y * c.k + dy) * width + x * c.k + dx] >>
                                       shift &
                                   0xff;
                    mean |= static_cast<std::uint32_t>((sum + c.k * c.k / 2) / (c.k * c.k)) << shift;
                }
                ASSERT_EQ(by_rows.row(y)[x], mean) << "rows, at " << x << "," << y;
                ASSERT_EQ(by_tiles.row(y)[x], mean) << "tiles, at " << x << "," << y;
            }
    }
}
