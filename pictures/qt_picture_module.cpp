// The module that reads the formats none of the program's own decoders read (SVG, TIFF, GIF, ICO,
// animated WebP, ...) through Qt's image readers. Loaded only when such a picture comes up.

#include "pictures/picture_checks.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_reader.h"
#include "platform/qt_application.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace wallcycle {
namespace {

// Readers report damage they decode past ("Not enough image data", a truncated TIFF strip) as Qt
// warnings and still hand back a picture, its missing part black. While a picture is read they
// are gathered here, and any report refuses it. Qt's message handler takes no context, so the
// place to gather into is per thread.
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
        if (text.contains(QLatin1String("iCCP")) || text.contains(QLatin1String("sRGB")) ||
            text.contains(QLatin1String("profile"))) // about the colour profile, not the pixels
            return false;
        static const char* const damage[] = {"Premature end",         "Corrupt",   "Invalid",
                                             "Not enough image data", "CRC error", "incorrect header check",
                                             "Extra compressed",      "truncated", "Bogus"};
        return std::any_of(std::begin(damage), std::end(damage), [&](const char* marker) {
            return text.contains(QLatin1String(marker), Qt::CaseInsensitive);
        });
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

Result<Picture> read(const std::string& bytes, const PictureRequest& request) {
    ensure_qt_application(); // an SVG's text needs the font database
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader::setAllocationLimit(static_cast<int>(largest_image_bytes >> 20));
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead())
        return fail("not an image in a format this program reads");
    QSize stored = reader.size();
    if (stored.isValid()) {
        if (Status allowed = picture_size_allowed(stored.width(), stored.height()); !allowed)
            return fail(allowed.reason());
        // Vector pictures are drawn at the size they are shown at; others never larger than stored.
        bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        Size cover = turned ? Size{request.cover.height, request.cover.width} : request.cover;
        Size wanted = cover_size({stored.width(), stored.height()}, cover);
        if (reader.format() == "svg" && cover.valid()) {
            double scale = cover_scale({stored.width(), stored.height()}, cover);
            wanted = {std::max(1, static_cast<int>(std::ceil(stored.width() * scale))),
                      std::max(1, static_cast<int>(std::ceil(stored.height() * scale)))};
            if (Status allowed = picture_size_allowed(wanted.width, wanted.height); !allowed)
                return fail(allowed.reason());
        }
        if (wanted != Size{stored.width(), stored.height()})
            reader.setScaledSize(QSize(wanted.width, wanted.height));
    }
    QImage image;
    std::string damage;
    bool read = false;
    {
        DamageReports reports(damage);
        read = reader.read(&image) && !image.isNull();
    }
    if (!read)
        return fail("the image cannot be decoded (" + reader.errorString().toStdString() + ")");
    if (!damage.empty())
        return picture_damaged(damage);
    // Transparency drawn over black, as our own readers do.
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                          : QImage::Format_RGB32);
    if (image.isNull())
        return fail("there is not enough memory for the picture");
    Result<Picture> picture = picture_memory({image.width(), image.height()}, request);
    if (!picture)
        return picture;
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        std::uint32_t* to = picture.value().row(y);
        for (int x = 0; x < image.width(); ++x)
            to[x] = from[x] & 0xffffff;
    }
    return picture;
}

} // namespace
} // namespace wallcycle

extern "C" void wallcycle_read_picture(std::string& bytes, const wallcycle::PictureRequest& request,
                                       wallcycle::Result<wallcycle::Picture>& out) {
    out = wallcycle::read(bytes, request);
}
