#include "wallpaper/backends/session_bus.h"

#include "platform/qt_application.h"
#include "platform/server_answers_linux.h"

#include <QDBusPendingCall>
#include <algorithm>
#include <chrono>
#include <thread>

namespace wallcycle {

QDBusConnection session_bus() {
    ensure_qt_application();
    return QDBusConnection::sessionBus();
}

QDBusMessage call_session_service(const QString& service, const QString& path, const QString& interface,
                                  const QString& method, const QVariantList& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
    call.setArguments(arguments);
    // Not a blocking call: QtDBus waits without end for the answer to a blocking call whose
    // connection closes meanwhile. The answer is waited for here, within the bound, whatever the
    // bus does.
    QDBusConnection bus = session_bus();
    QDBusPendingCall pending = bus.asyncCall(call, session_call_ms);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(session_call_ms);
    for (auto pause = std::chrono::microseconds(50); !pending.isFinished();
         pause = std::min(pause * 2, std::chrono::microseconds(2000))) {
        if (!bus.isConnected())
            return call.createErrorReply(QDBusError::Disconnected,
                                         QStringLiteral("the session D-Bus closed the connection"));
        if (std::chrono::steady_clock::now() >= deadline)
            return call.createErrorReply(QDBusError::NoReply,
                                         QStringLiteral("no answer within %1 s").arg(session_call_ms / 1000));
        std::this_thread::sleep_for(pause);
    }
    return pending.reply();
}

QDBusMessage call_bus_daemon(const char* method, const QVariantList& arguments) {
    // Asked as any other call, so that a bus slow to answer is waited for within the same bound.
    return call_session_service(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method), arguments);
}

Status session_service_reachable(const QString& service, bool may_be_activated) {
    if (session_bus_given_up()) // not even connected to
        return fail("the session D-Bus does not answer");
    QDBusConnection bus = session_bus();
    if (!bus.isConnected())
        return fail("no session D-Bus (" + bus.lastError().message().toStdString() + ")");
    QDBusMessage owned = call_bus_daemon("NameHasOwner", {service});
    if (owned.type() == QDBusMessage::ErrorMessage)
        return fail("the session D-Bus did not say whether " + service.toStdString() +
                    " runs: " + owned.errorMessage().toStdString());
    if (owned.arguments().value(0).toBool())
        return {};
    if (may_be_activated &&
        call_bus_daemon("ListActivatableNames", {}).arguments().value(0).toStringList().contains(service))
        return {};
    return fail(service.toStdString() + " is not running on the session D-Bus");
}

} // namespace wallcycle
