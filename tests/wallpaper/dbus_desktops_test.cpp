// XFCE's settings against the real xfconfd on a private session bus (what xfdesktop then draws is
// tested on the real shell with the other desktops); KDE without plasmashell, and the Plasma
// script's quoting run in a JavaScript engine.

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backends/kde.h"
#include "wallpaper/backends/session_bus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QJSEngine>
#include <QTest>
#include <memory>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

const QString xfconf = QStringLiteral("org.xfce.Xfconf");
const QString channel = QStringLiteral("xfce4-desktop");

QDBusMessage call_xfconf(const QString& method, const QVariantList& arguments) {
    return call_session_service(xfconf, QStringLiteral("/org/xfce/Xfconf"), xfconf, method, arguments);
}

QVariant xfconf_property(const QString& property) {
    QDBusMessage reply = call_xfconf(QStringLiteral("GetProperty"), {channel, property});
    if (reply.type() == QDBusMessage::ErrorMessage)
        return {};
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void set_xfconf_property(const QString& property, const QVariant& value) {
    QDBusMessage reply = call_xfconf(QStringLiteral("SetProperty"),
                                     {channel, property, QVariant::fromValue(QDBusVariant(value))});
    QVERIFY2(reply.type() != QDBusMessage::ErrorMessage, qPrintable(reply.errorMessage()));
}

} // namespace

class DbusDesktopsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> home_;
    std::unique_ptr<Xvfb> server_;
    std::unique_ptr<DbusSession> bus_;
    std::unique_ptr<TempDir> pictures_;

private slots:
    void initTestCase() {
        home_ = std::make_unique<TempDir>();
        use_private_home(home_->path());
        server_ = std::make_unique<Xvfb>(640, 480); // xfdesktop names monitors by their RandR output
        setenv("DISPLAY", server_->display().c_str(), 1);
        bus_ = std::make_unique<DbusSession>();
        QVERIFY(QDBusConnection::sessionBus().isConnected());
        pictures_ = std::make_unique<TempDir>();
    }
    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QDBusConnection::sessionBus().name());
        bus_.reset();
        server_.reset();
        home_.reset();
    }
    void init() {
        call_xfconf(QStringLiteral("ResetProperty"), {channel, QStringLiteral("/backdrop"), true});
    }

    // A set writes every picture xfdesktop already has, keeping the user's fill style; with none, one
    // per workspace of the monitor xfdesktop names (zoomed). (A broken picture is refused before any
    // desktop is asked: the GSettings test shows that it changes nothing.)
    void xfce_sets_every_picture_it_has_or_one_per_workspace() {
        QCOMPARE(
            run("/usr/bin/xprop",
                {"-root", "-f", "_NET_NUMBER_OF_DESKTOPS", "32c", "-set", "_NET_NUMBER_OF_DESKTOPS", "2"},
                {{"DISPLAY", server_->display()}})
                .exit_code,
            0);
        const QString ours = QStringLiteral("/backdrop/screen0/monitorscreen/workspace%1/");
        struct Case {
            const char* picture;
            QStringList had;    // last-image keys already there, set to /old.png
            QStringList set;    // the keys that hold the picture afterwards
            QStringList absent; // and keys that are not there
            std::pair<QString, int>
                style; // a fill style key and its value afterwards (1: the user's, set before)
        } cases[] = {
            // clang-format off
            {"new picture.png", {}, {ours.arg(0) + "last-image", ours.arg(1) + "last-image"}, {ours.arg(2) + "last-image"}, {ours.arg(0) + "image-style", 5}},
            {"桜 #1.jpg", {"/backdrop/screen0/monitorHDMI-1/workspace0/last-image", "/backdrop/screen0/monitorDP-2/workspace3/last-image", "/backdrop/screen1/monitor0/workspace0/last-image"},
             {"/backdrop/screen0/monitorHDMI-1/workspace0/last-image", "/backdrop/screen0/monitorDP-2/workspace3/last-image", "/backdrop/screen1/monitor0/workspace0/last-image"},
             {ours.arg(0) + "last-image"}, {"/backdrop/screen0/monitorHDMI-1/workspace0/image-style", 1}},
            // clang-format on
        };
        for (const auto& c : cases) {
            init();
            for (const QString& key : c.had)
                set_xfconf_property(key, QStringLiteral("/old.png"));
            if (c.style.second == 1)
                set_xfconf_property(c.style.first, 1);
            std::string path = pictures_->file(c.picture);
            write_solid_image(path, 0x8899aa);
            Status applied = make_backend("xfce")->apply(path);
            QVERIFY2(applied.ok(), applied.reason().c_str());
            for (const QString& key : c.set)
                QCOMPARE(xfconf_property(key).toString(), QString::fromStdString(path));
            for (const QString& key : c.absent)
                QVERIFY2(!xfconf_property(key).isValid(), qPrintable(key));
            QCOMPARE(xfconf_property(c.style.first).toInt(), c.style.second);
        }
    }

    void kde_is_unreachable_without_plasmashell() {
        Status usable = make_backend("kde")->can_run();
        QVERIFY(!usable.ok());
        QVERIFY2(QString::fromStdString(usable.reason()).contains(QStringLiteral("org.kde.plasmashell")),
                 usable.reason().c_str());
    }

    // Whatever text reaches the script stays inside its string.
    void kde_script_quotes_any_text() {
        const QString texts[] = {QStringLiteral("plain"),           QStringLiteral("\"; evil(); \""),
                                 QStringLiteral("back\\slash\\\""), QStringLiteral("line\nbreak\r"),
                                 QStringLiteral("sep\u2028arator"), QStringLiteral("'single' 桜")};
        for (const QString& text : texts) {
            QJSEngine engine;
            engine.evaluate(QStringLiteral("var harmed = false; function evil() { harmed = true; }"
                                           "function desktops() { return []; } function print() {}"));
            QJSValue result = engine.evaluate(plasma_wallpaper_script(text));
            QVERIFY2(!result.isError(), qPrintable(result.toString()));
            QCOMPARE(engine.globalObject().property("uri").toString(), text);
            QVERIFY(!engine.globalObject().property("harmed").toBool());
        }
    }
};

QTEST_GUILESS_MAIN(DbusDesktopsTest)
#include "dbus_desktops_test.moc"
