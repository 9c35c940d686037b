#pragma once
// The session D-Bus, as the desktops that are driven over it need it.

#include "platform/result.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

namespace wallcycle {

// The session bus. QtDBus wants Qt's application object: a run that has none yet (a bare "/e")
// gets one here, made once and kept for the rest of the run.
QDBusConnection session_bus();

// How long a call on the session bus may take before it counts as failed.
constexpr int session_call_ms = 10000;

// Calls a method of a service on the session bus and waits for its answer, at most session_call_ms
// (an error message when the call fails or takes longer).
QDBusMessage call_session_service(const QString& service, const QString& path, const QString& interface,
                                  const QString& method, const QVariantList& arguments);

// The same for a method of the bus itself (org.freedesktop.DBus: NameHasOwner, RequestName, …).
QDBusMessage call_bus_daemon(const char* method, const QVariantList& arguments);

// Whether a service answers on the session bus: running now, or started on the first call.
Status session_service_reachable(const QString& service, bool may_be_activated);

} // namespace wallcycle
