// Stands in for gnome-session, which needs a whole login here: Cinnamon's background daemon waits
// until the session manager says the session is running. It owns org.gnome.SessionManager and
// answers the calls the daemon makes.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <cstdio>

class SessionManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public Q_SLOTS:
    bool IsSessionRunning() { return true; }
    QDBusObjectPath RegisterClient(const QString&, const QString&) {
        return QDBusObjectPath(QStringLiteral("/org/gnome/SessionManager/Client1"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    SessionManager manager;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/gnome/SessionManager"), &manager,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.gnome.SessionManager"))) {
        std::fprintf(stderr, "cannot own org.gnome.SessionManager\n");
        return 1;
    }
    return application.exec();
}

#include "fake_session_manager.moc"
