#include "tests/support/images.h"

#include "tests/support/files.h"
#include "tests/support/process.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace wallcycle::test {

void write_solid_image(const std::string& path, std::uint32_t rgb, int width, int height) {
    write_split_image(path, rgb, rgb, width, height);
}

namespace {

// Each pixel's colour from its place; saved in the format the name's ending asks for.
template <typename ColourAt>
void write_image(const std::string& path, int width, int height, int quality, ColourAt colour_at) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, 0xff000000u | colour_at(x, y));
    // Formats Qt does not write: a PNG, turned into them by the formats' own tools.
    std::string ending = path.substr(path.rfind('.') + 1);
    std::vector<std::string> tool;
    std::string png = path + ".png";
    if (ending == "heic" || ending == "heif" || ending == "avif")
        tool = {"heif-enc", "-q", "95", png, "-o", path};
    else if (ending == "jxl")
        tool = {"cjxl", "-d", "0", png, path};
    else if (ending == "gif")
        tool = {"convert", png, path};
    if (ending == "svg") { // the pixels as a PNG inside, drawn at the picture's size
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "png");
        write_file(
            path,
            "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='" +
                std::to_string(width) + "' height='" + std::to_string(height) + "' viewBox='0 0 " +
                std::to_string(width) + " " + std::to_string(height) + "'><image width='" +
                std::to_string(width) + "' height='" + std::to_string(height) +
                "' xlink:href='data:image/png;base64," + bytes.toBase64().toStdString() + "'/></svg>");
        return;
    }
    if (ending == "webp")
        quality = 100; // lossless: the colours stay exact
    QImageWriter writer(QString::fromStdString(tool.empty() ? path : png),
                        tool.empty() ? QByteArray() : "png");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(path.ends_with(".progressive.jpg"));
    if (!writer.write(image))
        throw std::runtime_error("cannot write test image " + path);
    if (tool.empty())
        return;
    Finished made = run(tool[0], {tool.begin() + 1, tool.end()});
    std::remove(png.c_str());
    if (made.exit_code != 0)
        throw std::runtime_error("cannot write test image " + path + ": " + made.err + made.out);
}

} // namespace

void write_split_image(const std::string& path, std::uint32_t left, std::uint32_t right, int width,
                       int height) {
    write_image(path, width, height, 95, [&](int x, int) { return x < width / 2 ? left : right; });
}

void write_banded_image(const std::string& path, std::uint32_t top, std::uint32_t rest, int width,
                        int height) {
    write_image(path, width, height, -1, [&](int, int y) { return y < height / 4 ? top : rest; });
}

double mean_difference(const QImage& a, const QImage& b) {
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            total +=
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return total / (a.width() * a.height() * 3.0);
}

bool colours_near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff)) >
            tolerance)
            return false;
    return true;
}

} // namespace wallcycle::test
