// Stands in for plasmashell, which cannot run here: it owns org.kde.plasmashell on the session bus
// and writes each script it is asked to evaluate to the file named by its argument.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QObject>
#include <cstdio>

class PlasmaShell : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")
public:
    explicit PlasmaShell(QString record) : record_(std::move(record)) {}

public Q_SLOTS:
    QString evaluateScript(const QString& script) {
        QFile file(record_);
        if (file.open(QIODevice::Append)) {
            file.write(script.toUtf8());
            file.write("\n//----\n");
        }
        return {};
    }

private:
    QString record_;
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2)
        return 2;
    PlasmaShell shell(QString::fromLocal8Bit(argv[1]));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/PlasmaShell"), &shell, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.kde.plasmashell"))) {
        std::fprintf(stderr, "cannot own org.kde.plasmashell\n");
        return 1;
    }
    return application.exec();
}

#include "fake_plasmashell.moc"
