#include "wallpaper/image_decoder.h"

#include "platform/file_io.h"
#include "platform/shown_path.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cmath>

namespace wallcycle {
namespace {

std::string describe(const std::string& path, const std::string& what) {
    return "cannot use " + shown_path(path) + ": " + what;
}

// The smallest size of the image, keeping its aspect ratio, that still covers the target;
// never larger than the image itself.
QSize cover_size(QSize image, QSize target) {
    double scale = std::max(static_cast<double>(target.width()) / image.width(),
                            static_cast<double>(target.height()) / image.height());
    if (scale >= 1.0)
        return image;
    return {std::max(target.width(), static_cast<int>(std::ceil(image.width() * scale - 1e-9))),
            std::max(target.height(), static_cast<int>(std::ceil(image.height() * scale - 1e-9)))};
}

// Asks the reader for the picture at the scale (and crop) the target needs; the size it will give.
QSize plan_scaled_read(QImageReader& reader, QSize stored, const DecodeTarget& target) {
    if (!target.cover.isValid() || !stored.isValid())
        return stored;
    // A rotated photo (EXIF) is scaled before it is turned: plan in its stored orientation.
    bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    QSize cover = turned ? target.cover.transposed() : target.cover;
    QSize scaled = cover_size(stored, cover);
    if (scaled != stored)
        reader.setScaledSize(scaled);
    if (target.crop && !turned && (scaled.width() > cover.width() || scaled.height() > cover.height())) {
        reader.setScaledClipRect(QRect((scaled.width() - cover.width()) / 2,
                                       (scaled.height() - cover.height()) / 2, cover.width(),
                                       cover.height()));
        return cover;
    }
    return turned ? QSize() : scaled; // a turned picture's final size is left to the reader
}

} // namespace

Result<QImage> decode_image(const std::string& path, const DecodeTarget& target) {
    // Looked at without opening it: a named pipe would block the reader for good.
    Result<FileKind> kind = file_kind(path);
    if (!kind)
        return fail(kind.reason());
    if (*kind == FileKind::Folder)
        return fail(describe(path, "it is a folder, not an image"));
    if (*kind != FileKind::Regular)
        return fail(describe(path, not_a_file_reason(*kind)));
    QString name = QFile::decodeName(QByteArray::fromStdString(path));
    QFileInfo info(name);
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
    QSize expected = plan_scaled_read(reader, size, target);

    // Readers fill an image of the right size and format in place. When the picture will come out
    // the size of the caller's buffer, it is read through a second image over the same memory:
    // a reader that needs other memory after all takes its own, and the caller's stays as it is.
    QImage image;
    if (target.into != nullptr && expected == target.into->size() &&
        target.into->format() == QImage::Format_RGB32)
        image = QImage(target.into->bits(), expected.width(), expected.height(), target.into->bytesPerLine(),
                       QImage::Format_RGB32);
    if (!reader.read(&image) || image.isNull())
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
