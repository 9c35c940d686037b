// KDE Plasma 5 and 6: plasmashell runs a script over its desktops, which sets and stores each
// desktop's picture in Plasma's own configuration.

#include "wallpaper/backends/kde.h"

#include "platform/child_process_linux.h"
#include "platform/server_answers_linux.h"
#include "wallpaper/backends/session_bus.h"
#include "wallpaper/desktop_picture.h"

#include <QFile>
#include <QUrl>

namespace wallcycle {
namespace {

const QString service = QStringLiteral("org.kde.plasmashell");

QString script_string(const QString& text) {
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        ushort u = c.unicode();
        if (c == '"' || c == '\\')
            out += '\\' + QString(c);
        else if (u < 0x20 || u == 0x2028 || u == 0x2029 || u == 0x7f)
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + '"';
}

// Runs a script in plasmashell; what it printed, or why it could not run.
Result<QString> evaluate(const QString& script) {
    QDBusMessage reply =
        call_session_service(service, QStringLiteral("/PlasmaShell"), QStringLiteral("org.kde.PlasmaShell"),
                             QStringLiteral("evaluateScript"), {script});
    if (reply.type() == QDBusMessage::ErrorMessage)
        return fail(reply.errorMessage().toStdString());
    return reply.arguments().value(0).toString().trimmed();
}

class KdeBackend : public FileDesktopBackend {
public:
    const char* name() const override { return "kde"; }
    // On the bus is not enough: early in a login plasmashell answers before it has made its
    // desktops, and a picture set then would go nowhere.
    Status can_run() const override {
        if (Status reachable = session_service_reachable(service, false); !reachable)
            return reachable;
        Result<QString> desktops = evaluate(QStringLiteral("print(desktops().length);"));
        if (!desktops || desktops->toInt() < 1)
            return fail("Plasma has no desktop yet");
        return {};
    }
    // Early in a login plasmashell is not on the bus yet; it would paint its own default over a
    // picture set anywhere else.
    bool may_come_up() const override {
        return !find_on_path("plasmashell").empty() && !session_bus_given_up();
    }

private:
    Status show(const std::string& file) override;
    Result<std::vector<std::string>> named_files() const override;
};

Status KdeBackend::show(const std::string& file) {
    QString uri =
        QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(file))).toString(QUrl::FullyEncoded);
    Result<QString> set = evaluate(plasma_wallpaper_script(uri));
    if (!set)
        return fail("Plasma did not take the wallpaper: " + set.reason());
    if (set->toInt() < 1) // it printed how many desktops it set
        return fail("Plasma has no desktop to set the wallpaper on");
    return {};
}

Result<std::vector<std::string>> KdeBackend::named_files() const {
    Result<QString> images = evaluate(
        QStringLiteral("var all = desktops();\n"
                       "for (var i = 0; i < all.length; i++) {\n"
                       "    all[i].currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                       "    print(all[i].readConfig(\"Image\") + \"\\n\");\n"
                       "}\n"));
    if (!images)
        return fail(images.reason());
    std::vector<std::string> files;
    for (const QString& line : images->split('\n', Qt::SkipEmptyParts))
        files.push_back(line.trimmed().toStdString());
    return files;
}

} // namespace

QString plasma_wallpaper_script(const QString& file_uri) {
    // Plasma ignores a new Image equal to the one it shows; the empty value in between makes it
    // reload the file even when the same path is set again.
    return QStringLiteral("var uri = %1;\n"
                          "var all = desktops();\n"
                          "for (var i = 0; i < all.length; i++) {\n"
                          "    var d = all[i];\n"
                          "    d.wallpaperPlugin = \"org.kde.image\";\n"
                          "    d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
                          "    d.writeConfig(\"Image\", \"\");\n"
                          "    d.writeConfig(\"Image\", uri);\n"
                          "    d.writeConfig(\"FillMode\", 2);\n"
                          "}\n"
                          "print(all.length);\n")
        .arg(script_string(file_uri));
}

} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_kde_backend() {
    return new wallcycle::KdeBackend();
}
