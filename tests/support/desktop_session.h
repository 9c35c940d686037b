#pragma once
// A private desktop session for one test: an X server, home folders, a session bus and one real
// desktop shell, each started here and stopped when done (with everything that ran in this home).

#include "tests/support/files.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace wallcycle::test {

enum class Shell { None, Xfce, Lxde, Lxqt, Mate, Cinnamon, Kde, Gnome };

class DesktopSession {
public:
    static constexpr int width = 1280, height = 800;

    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // Starts the desktop's own programs and waits until it draws its background; throws when it
    // does not come up within a minute.
    void start(Shell shell);
    // Starts one program of the session, its output going to a log file in the session's folder.
    void spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {});

    const std::string& display() const { return server_.display(); }
    const TempDir& folder() const { return dir_; }
    // Whether the bus name is owned on the session bus.
    bool name_owned(const std::string& name) const;
    // The last lines each program of the session wrote, to tell what went wrong when a check fails.
    std::string log_tails() const;
    // Waits until the screen shows these colours at these points; false after the timeout.
    bool shows(const std::vector<std::pair<std::pair<int, int>, std::uint32_t>>& points,
               int timeout_ms) const;

private:
    TempDir dir_;
    Xvfb server_{width, height};
    std::unique_ptr<DbusSession> bus_;
    std::vector<pid_t> started_;
};

} // namespace wallcycle::test
