#include "wallpaper/backends/session_bus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>

namespace wallcycle {

Status session_service_reachable(const QString& service, bool may_be_activated) {
    QDBusConnection bus = QDBusConnection::sessionBus();
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
