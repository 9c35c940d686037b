#include "wallpaper/image_decoder.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace wallcycle {
namespace {

std::string describe(const std::string& path, const std::string& what) {
    return "cannot use " + path + ": " + what;
}

} // namespace

Result<QImage> decode_image(const std::string& path) {
    QString name = QFile::decodeName(QByteArray::fromStdString(path));
    QFileInfo info(name);
    if (!info.exists())
        return fail(describe(path, "no such file"));
    if (info.isDir())
        return fail(describe(path, "it is a folder, not an image"));
    if (!info.isReadable())
        return fail(describe(path, "the file cannot be read (permission denied)"));

    QImageReader::setAllocationLimit(static_cast<int>(largest_image_bytes >> 20));
    QImageReader reader(name);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return fail(describe(path, "not an image in a format this program reads"));
    QSize size = reader.size();
    if (size.isValid() && static_cast<long long>(size.width()) * size.height() * 4 > largest_image_bytes)
        return fail(describe(path, "the image is too large (" + std::to_string(size.width()) + "x" +
                                       std::to_string(size.height()) + " pixels)"));
    QImage image = reader.read();
    if (image.isNull())
        return fail(
            describe(path, "the image cannot be decoded (" + reader.errorString().toStdString() + ")"));
    if (image.hasAlphaChannel())
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return image.convertToFormat(QImage::Format_RGB32);
}

Result<std::string> usable_image_path(const std::string& path) {
    Result<QImage> image = decode_image(path);
    if (!image)
        return fail(image.reason());
    return QFile::encodeName(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absoluteFilePath())
        .toStdString();
}

QImage cover_image(const QImage& image, QSize target) {
    if (image.size() == target)
        return image;
    QImage scaled = image.scaled(target, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    int left = (scaled.width() - target.width()) / 2;
    int top = (scaled.height() - target.height()) / 2;
    return scaled.copy(left, top, target.width(), target.height());
}

} // namespace wallcycle
