#include "tests/support/dbus_session.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wallcycle::test {

DbusSession::DbusSession() {
    int out[2];
    if (pipe(out) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0); // "Failed to set fd limit"
    const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
    int rc = posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        throw std::runtime_error("cannot start dbus-daemon (is it installed?)");
    }
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
