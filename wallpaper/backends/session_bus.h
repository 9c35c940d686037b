#pragma once
// The session D-Bus, as the desktops that are driven over it need it.

#include "platform/result.h"

#include <QString>

namespace wallcycle {

// Whether a service answers on the session bus: running now, or started on the first call.
Status session_service_reachable(const QString& service, bool may_be_activated);

} // namespace wallcycle
