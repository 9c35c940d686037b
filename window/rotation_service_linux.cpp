#include "window/rotation_service_linux.h"

#include "platform/server_answers_linux.h"
#include "wallpaper/backends/session_bus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

namespace wallcycle {
namespace {

const QString application_interface = QStringLiteral("org.freedesktop.Application");

// RequestName's answers, as the bus gives them: 1 the primary owner, 4 already the owner.
constexpr unsigned primary_owner = 1, already_owner = 4;
constexpr unsigned do_not_queue = 4;

} // namespace

RotationService::~RotationService() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (registered_)
        bus.unregisterObject(QString::fromLatin1(rotation_object_path));
    if (owns_name_) // the next "/s" may take it at once
        bus.unregisterService(QString::fromLatin1(rotation_bus_name));
}

bool RotationService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage || message.interface() != application_interface)
        return false; // QtDBus answers with its own error
    auto answer = [&](const QDBusMessage& reply) {
        connection.send(reply);
        return true;
    };
    const QString signature = message.signature();
    if (message.member() == QLatin1String("Activate") && signature == QLatin1String("a{sv}")) {
        handlers_.activate();
        return answer(message.createReply());
    }
    if (message.member() == QLatin1String("ActivateAction") && signature == QLatin1String("sava{sv}")) {
        const QString action = message.arguments().value(0).toString();
        const std::function<void()>* handler = action == QLatin1String("next")     ? &handlers_.next
                                               : action == QLatin1String("pause")  ? &handlers_.pause
                                               : action == QLatin1String("resume") ? &handlers_.resume
                                                                                   : nullptr;
        if (handler == nullptr)
            return answer(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                QStringLiteral("wallcycle has no action \"%1\" (next, pause, resume)")
                    .arg(action.left(100))));
        (*handler)();
        return answer(message.createReply());
    }
    if (message.member() == QLatin1String("Open"))
        return answer(message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NotSupported"),
                                               QStringLiteral("wallcycle opens no files")));
    return answer(message.createErrorReply(
        QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
        QStringLiteral("wallcycle takes Activate(a{sv}) and ActivateAction(sava{sv}), not %1(%2)")
            .arg(message.member().left(100), signature.left(100))));
}

QString RotationService::introspect(const QString&) const {
    return QStringLiteral(R"(<interface name="org.freedesktop.Application">
  <method name="Activate"><arg type="a{sv}" name="platform_data" direction="in"/></method>
  <method name="Open"><arg type="as" name="uris" direction="in"/><arg type="a{sv}" name="platform_data" direction="in"/></method>
  <method name="ActivateAction"><arg type="s" name="action_name" direction="in"/><arg type="av" name="parameter" direction="in"/><arg type="a{sv}" name="platform_data" direction="in"/></method>
</interface>)");
}

RotationClaim RotationClaim::make(RotationHandlers handlers) {
    RotationClaim claim;
    if (session_bus_given_up()) {
        claim.reason = "the session D-Bus does not answer";
        return claim;
    }
    QDBusConnection bus = session_bus();
    if (!bus.isConnected()) {
        claim.reason = "no session D-Bus (" + bus.lastError().message().toStdString() + ")";
        return claim;
    }
    // The object first, so that no call comes to a name without it.
    auto service = std::make_unique<RotationService>(std::move(handlers));
    if (!bus.registerVirtualObject(QString::fromLatin1(rotation_object_path), service.get())) {
        claim.reason = "the object path is taken on the session D-Bus";
        return claim;
    }
    service->registered_ = true;
    QDBusMessage asked =
        call_bus_daemon("RequestName", {QString::fromLatin1(rotation_bus_name), do_not_queue});
    if (asked.type() == QDBusMessage::ErrorMessage) {
        claim.reason = "the session D-Bus did not give the name: " + asked.errorMessage().toStdString();
        return claim;
    }
    unsigned answer = asked.arguments().value(0).toUInt();
    if (answer == primary_owner || answer == already_owner) {
        claim.outcome = Outcome::owned;
        service->owns_name_ = true;
        claim.service = std::move(service);
        return claim;
    }
    claim.outcome = Outcome::another_runs;
    call_session_service(QString::fromLatin1(rotation_bus_name), QString::fromLatin1(rotation_object_path),
                         application_interface, QStringLiteral("Activate"), {QVariantMap()});
    return claim;
}

} // namespace wallcycle
