// Writes a photo-like test picture (smooth gradients with fine detail) for the benchmarks.

#include <QImage>
#include <QImageWriter>
#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE WIDTH HEIGHT\n", argv[0]);
        return 2;
    }
    int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int r = 255 * x / width;
            int g = 255 * y / height;
            int b = static_cast<int>(127.5 + 127.5 * std::sin((x + y) * 0.01)) ^ ((x * 7 + y * 13) & 15);
            line[x] = qRgb(r, g, b & 255);
        }
    }
    QImageWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setQuality(90);
    writer.setProgressiveScanWrite(std::getenv("PROGRESSIVE") != nullptr); // JPEG only
    return writer.write(image) ? 0 : 1;
}
