#include "tests/support/dbus_session.h"

#include "tests/support/process.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wallcycle::test {

DbusSession::DbusSession() {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    // Its stderr (a harmless "Failed to set fd limit") goes nowhere.
    pid_ = spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, {}, out[1]);
    close(out[1]);
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        address_ += c;
    close(out[0]);
    if (address_.empty())
        throw std::runtime_error("dbus-daemon gave no address");
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

DbusSession::~DbusSession() {
    // Services the bus started end with it; the bus itself is ours to stop.
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

void use_private_home(const std::string& folder) {
    struct Entry {
        const char* variable;
        const char* sub;
    } entries[] = {{"HOME", ""},
                   {"XDG_CONFIG_HOME", "/.config"},
                   {"XDG_CACHE_HOME", "/.cache"},
                   {"XDG_DATA_HOME", "/.local/share"},
                   {"XDG_RUNTIME_DIR", "/run"}};
    for (const auto& entry : entries) {
        std::string path = folder + entry.sub;
        std::filesystem::create_directories(path);
        chmod(path.c_str(), 0700);
        setenv(entry.variable, path.c_str(), 1);
    }
}

} // namespace wallcycle::test
