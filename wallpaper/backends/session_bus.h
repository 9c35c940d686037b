#pragma once
// The session D-Bus, as the desktops that are driven over it need it.

#include "platform/result.h"

#include <QDBusConnection>
#include <QString>

namespace wallcycle {

// The session bus. QtDBus wants Qt's application object: a run that has none yet (a bare "/e")
// gets a plain one here, made once and kept for the rest of the run.
QDBusConnection session_bus();

// Whether a service answers on the session bus: running now, or started on the first call.
Status session_service_reachable(const QString& service, bool may_be_activated);

} // namespace wallcycle
