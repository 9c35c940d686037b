#include "wallpaper/backends/session_bus.h"

#include "pictures/qt_application.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>

namespace wallcycle {

QDBusConnection session_bus() {
    ensure_qt_application();
    return QDBusConnection::sessionBus();
}

QDBusMessage call_session_service(const QString& service, const QString& path, const QString& interface,
                                  const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    return session_bus().call(call);
}

Status session_service_reachable(const QString& service, bool may_be_activated) {
    QDBusConnection bus = session_bus();
    if (!bus.isConnected())
        return fail("no session D-Bus (" + bus.lastError().message().toStdString() + ")");
    QDBusConnectionInterface* daemon = bus.interface();
    if (daemon->isServiceRegistered(service).value())
        return {};
    if (may_be_activated && daemon->activatableServiceNames().value().contains(service))
        return {};
    return fail(service.toStdString() + " is not running on the session D-Bus");
}

} // namespace wallcycle
