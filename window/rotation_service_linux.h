#pragma once
// The session's one rotation, on the session D-Bus: "/s" owns the program's name there and takes
// org.freedesktop.Application's calls (Activate, and ActivateAction with "next", "pause" or
// "resume"), so that a menu or a key can drive the rotation that runs.

#include "platform/result.h"

#include <QDBusVirtualObject>
#include <functional>
#include <memory>

namespace wallcycle {

inline constexpr const char* rotation_bus_name = "org.wallcycle.Wallcycle";
inline constexpr const char* rotation_object_path = "/org/wallcycle/Wallcycle";

// What the window does for each call.
struct RotationHandlers {
    std::function<void()> activate, next, pause, resume;
};

class RotationService : public QDBusVirtualObject {
public:
    explicit RotationService(RotationHandlers handlers) : handlers_(std::move(handlers)) {}
    ~RotationService() override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    RotationHandlers handlers_;
    bool registered_ = false, owns_name_ = false;
    friend struct RotationClaim;
};

// Taking the name: this window's service once it has it; or that another rotation runs (asked
// to show its window); or why the bus could not be asked (then the window runs without it).
struct RotationClaim {
    enum class Outcome { owned, another_runs, no_bus };
    Outcome outcome = Outcome::no_bus;
    std::unique_ptr<RotationService> service; // when owned
    std::string reason;                       // when no_bus

    static RotationClaim make(RotationHandlers handlers);
};

} // namespace wallcycle
