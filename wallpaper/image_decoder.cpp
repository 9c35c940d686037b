#include "wallpaper/image_decoder.h"

#include "platform/file_io.h"
#include "wallpaper/picture_checks.h"
#include "wallpaper/webp_reader.h"
#include "wallpaper/x11_outputs.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace wallcycle {
namespace {

// Readers report damage they decode past (libjpeg's "Premature end of JPEG file", libpng's "Not
// enough image data") as Qt warnings and still hand back a picture, its missing part grey or black.
// While a picture is read they are gathered here, and any such report refuses it. Qt's message
// handler takes no context, so the place to gather into is per thread.
class DamageReports {
public:
    explicit DamageReports(std::string& into) : previous_target_(target_) {
        target_ = &into;
        previous_handler_ = qInstallMessageHandler(&DamageReports::gather);
    }
    ~DamageReports() {
        qInstallMessageHandler(previous_handler_);
        target_ = previous_target_;
    }

private:
    static bool reports_damage(const QString& text) {
        // Colour profile remarks are about the profile, not the pixels.
        if (text.contains(QLatin1String("iCCP")) || text.contains(QLatin1String("sRGB")) ||
            text.contains(QLatin1String("profile")))
            return false;
        static const char* const damage[] = {"Premature end", "Corrupt JPEG",
                                             "Invalid JPEG",  "Not enough image data",
                                             "CRC error",     "incorrect header check",
                                             "invalid",       "Extra compressed",
                                             "truncated",     "Bogus"};
        for (const char* marker : damage)
            if (text.contains(QLatin1String(marker), Qt::CaseInsensitive))
                return true;
        return false;
    }
    static void gather(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (target_ != nullptr && type != QtDebugMsg && type != QtInfoMsg && reports_damage(text) &&
            target_->empty())
            *target_ = text.toStdString();
    }

    static thread_local std::string* target_;
    std::string* previous_target_;
    QtMessageHandler previous_handler_ = nullptr;
};

thread_local std::string* DamageReports::target_ = nullptr;

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
    // Cropped while read only when the scaled picture covers the target both ways; a picture too
    // narrow or too low for that (1x800) is read whole and scaled up afterwards.
    bool covers = scaled.width() >= cover.width() && scaled.height() >= cover.height();
    if (target.crop && !turned && covers &&
        (scaled.width() > cover.width() || scaled.height() > cover.height())) {
        reader.setScaledClipRect(QRect((scaled.width() - cover.width()) / 2,
                                       (scaled.height() - cover.height()) / 2, cover.width(),
                                       cover.height()));
        return cover;
    }
    return turned ? QSize() : scaled; // a turned picture's final size is left to the reader
}

// As 32-bit RGB, transparency drawn over black.
Result<QImage> opaque(QImage image, const std::string& path) {
    if (image.hasAlphaChannel())
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage opaque = image.convertToFormat(QImage::Format_RGB32);
    if (opaque.isNull()) // no memory for it: never a black picture instead
        return fail(picture_failure(path, "there is not enough memory for the picture"));
    return opaque;
}

// A WebP through libwebp, at the scale the target needs; a null picture when the file is no still
// WebP (Qt's readers take it then).
Result<QImage> read_webp_file(const std::string& path, const DecodeTarget& target) {
    char magic[12] = {};
    std::ifstream file(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
    if (!file.read(magic, sizeof magic) || std::string_view(magic, 4) != "RIFF" ||
        std::string_view(magic + 8, 4) != "WEBP")
        return QImage();
    Result<std::string> bytes = read_whole_file(path, static_cast<std::size_t>(largest_image_bytes));
    if (!bytes)
        return fail(bytes.reason());
    std::optional<Result<QImage>> read = read_webp(bytes.value(), target.cover, target.crop);
    if (!read)
        return QImage();
    if (!*read)
        return fail(picture_failure(path, read->reason()));
    return std::move(read->value());
}

} // namespace

Result<QImage> decode_image(const std::string& path, const DecodeTarget& target) {
    if (Status usable = picture_file_usable(path); !usable)
        return fail(usable.reason());
    QString name = QFile::decodeName(QByteArray::fromStdString(path));
    QFileInfo info(name);
    if (!info.isReadable())
        return fail(picture_failure(path, "the file cannot be read (permission denied)"));
    Result<QImage> image_from_webp = read_webp_file(path, target);
    if (!image_from_webp || !image_from_webp->isNull())
        return image_from_webp ? opaque(std::move(image_from_webp.value()), path) : image_from_webp;

    QImageReader::setAllocationLimit(static_cast<int>(largest_image_bytes >> 20));
    QImageReader reader(name);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return fail(picture_failure(path, "not an image in a format this program reads"));
    QSize size = reader.size();
    if (size.isValid() && static_cast<long long>(size.width()) * size.height() * 4 > largest_image_bytes)
        return fail(picture_failure(path, "the image is too large (" + std::to_string(size.width()) + "x" +
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
    std::string damage;
    bool read = false;
    {
        DamageReports reports(damage);
        read = reader.read(&image) && !image.isNull();
    }
    if (!read)
        return fail(picture_failure(path, "the image cannot be decoded (" +
                                              reader.errorString().toStdString() + ")"));
    if (!damage.empty())
        return fail(picture_failure(path, "the picture is damaged (" + damage + ")"));
    return opaque(std::move(image), path);
}

Result<std::string> usable_image_path(const std::string& path) {
    // Every byte is still read and checked, but at the scale the desktop will show it: a 4K photo
    // costs a quarter of its full decode (JPEG scales inside the decoder).
    QSize screen = largest_monitor_size();
    Result<QImage> image =
        decode_image(path, {screen.isValid() ? screen : QSize(1920, 1080), false, nullptr});
    if (!image)
        return fail(image.reason());
    return QFile::encodeName(QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absoluteFilePath())
        .toStdString();
}

Result<QImage> cover_image(const QImage& image, QSize target) {
    if (image.size() == target)
        return image;
    // The part of the picture that will show, centred and of the target's shape, is cut out first
    // and only it is scaled: a 1x800 picture never becomes a 1920x1,536,000 one on the way.
    double scale = std::max(static_cast<double>(target.width()) / image.width(),
                            static_cast<double>(target.height()) / image.height());
    int width = std::clamp(static_cast<int>(std::lround(target.width() / scale)), 1, image.width());
    int height = std::clamp(static_cast<int>(std::lround(target.height() / scale)), 1, image.height());
    QImage shown = image.copy((image.width() - width) / 2, (image.height() - height) / 2, width, height);
    QImage scaled =
        shown.isNull() ? QImage() : shown.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return fail("there is not enough memory to scale the picture to " + std::to_string(target.width()) +
                    "x" + std::to_string(target.height()));
    return scaled;
}

} // namespace wallcycle
