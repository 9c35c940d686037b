// XFCE: xfdesktop draws each monitor's and workspace's picture from the xfconf channel
// "xfce4-desktop", under /backdrop/screenS/monitorM/workspaceW/last-image.

#include "wallpaper/backends/session_bus.h"
#include "wallpaper/backends/x11_outputs.h"
#include "wallpaper/desktop_picture.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QRegularExpression>

namespace wallcycle {
namespace {

const QString service = QStringLiteral("org.xfce.Xfconf");
const QString channel = QStringLiteral("xfce4-desktop");
constexpr int no_picture_style = 0; // xfdesktop's "None": the picture is not drawn at all
constexpr int zoomed_style = 5;

class XfceBackend : public FileDesktopBackend {
public:
    const char* name() const override { return "xfce"; }
    Status can_run() const override { return session_service_reachable(service, true); }

private:
    Status show(const std::string& file) override;
    Result<std::vector<std::string>> named_files() const override;
};

QDBusMessage call_xfconf(const QString& method, const QVariantList& arguments) {
    return call_session_service(service, QStringLiteral("/org/xfce/Xfconf"), service, method, arguments);
}

Status set_property(const QString& property, const QVariant& value) {
    QDBusMessage reply = call_xfconf(QStringLiteral("SetProperty"),
                                     {channel, property, QVariant::fromValue(QDBusVariant(value))});
    if (reply.type() == QDBusMessage::ErrorMessage)
        return fail("xfconf refused " + property.toStdString() + ": " + reply.errorMessage().toStdString());
    return {};
}

// The picture properties xfdesktop already has, one per monitor and workspace it has shown, with
// the picture each names.
Result<QVariantMap> existing_picture_properties() {
    QDBusMessage reply =
        call_xfconf(QStringLiteral("GetAllProperties"), {channel, QStringLiteral("/backdrop")});
    if (reply.type() == QDBusMessage::ErrorMessage) {
        // A channel with nothing under /backdrop answers with an error: there is simply nothing yet.
        if (reply.errorName() == QStringLiteral("org.xfce.Xfconf.Error.PropertyNotFound") ||
            reply.errorName() == QStringLiteral("org.xfce.Xfconf.Error.ChannelNotFound"))
            return QVariantMap();
        return fail("xfconf did not answer: " + reply.errorMessage().toStdString());
    }
    QVariantMap properties;
    if (!reply.arguments().isEmpty())
        reply.arguments().first().value<QDBusArgument>() >> properties;
    static const QRegularExpression picture(
        QStringLiteral("^/backdrop/screen[0-9]+/monitor[^/]+/workspace[0-9]+/last-image$"));
    QVariantMap pictures;
    for (auto it = properties.cbegin(); it != properties.cend(); ++it)
        if (picture.match(it.key()).hasMatch())
            pictures.insert(it.key(), it.value());
    return pictures;
}

// For a desktop that has shown no picture yet: one per connected output and workspace.
QStringList new_picture_properties() {
    std::vector<std::string> outputs = connected_output_names();
    if (outputs.empty())
        outputs.push_back("0");
    int workspaces = std::max(1, workspace_count());
    QStringList keys;
    for (const auto& output : outputs)
        for (int workspace = 0; workspace < workspaces; ++workspace)
            keys << QStringLiteral("/backdrop/screen0/monitor%1/workspace%2/last-image")
                        .arg(QString::fromStdString(output))
                        .arg(workspace);
    return keys;
}

// The image-style beside a last-image property.
QString style_property(const QString& picture_property) {
    return picture_property.left(picture_property.lastIndexOf('/')) + QStringLiteral("/image-style");
}

// A style that hides the picture becomes zoomed; any other style the user chose is kept.
Status show_the_picture(const QString& picture_property) {
    QString style = style_property(picture_property);
    QDBusMessage reply = call_xfconf(QStringLiteral("GetProperty"), {channel, style});
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty())
        return {}; // none set: xfdesktop's default shows the picture
    QVariant value = reply.arguments().first().value<QDBusVariant>().variant();
    if (value.toInt() != no_picture_style)
        return {};
    return set_property(style, zoomed_style);
}

Status XfceBackend::show(const std::string& file) {
    Result<QVariantMap> existing = existing_picture_properties();
    if (!existing)
        return fail(existing.reason());
    bool created = existing->isEmpty();
    QStringList targets = created ? new_picture_properties() : existing->keys();
    QString path = QString::fromStdString(file);
    // The picture first, then a style that shows it: xfdesktop loads the new picture once, rather
    // than starting on the old one when the style changes and the new one a moment later.
    for (const QString& key : targets) {
        if (Status set = set_property(key, path); !set)
            return set;
        Status styled = created ? set_property(style_property(key), zoomed_style) : show_the_picture(key);
        if (!styled)
            return styled;
    }
    return {};
}

Result<std::vector<std::string>> XfceBackend::named_files() const {
    Result<QVariantMap> existing = existing_picture_properties();
    if (!existing)
        return fail(existing.reason());
    std::vector<std::string> files;
    for (const QVariant& file : existing.value())
        files.push_back(file.toString().toStdString());
    return files;
}

} // namespace

} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_xfce_backend() {
    return new wallcycle::XfceBackend();
}
