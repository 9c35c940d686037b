#include "tests/support/process.h"

#include "platform/child_process_linux.h"
#include "tests/support/files.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace wallcycle::test {

pid_t spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int out_fd,
            int err_fd) {
    std::vector<std::string> changes;
    for (const auto& [key, value] : env)
        changes.push_back(value.empty() ? key : key + "=" + value);
    Result<int> started = spawn_child(argv, changes, out_fd, err_fd);
    if (!started)
        throw std::runtime_error(started.reason());
    return started.value();
}

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env)
    : out_(memfd_create("stdout", MFD_CLOEXEC)), err_(memfd_create("stderr", MFD_CLOEXEC)) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = spawn(argv, env, out_, err_);
}

Process::~Process() {
    if (!reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    close(out_);
    close(err_);
}

bool Process::still_running() {
    if (!reaped_ && waitpid(pid_, &status_, WNOHANG) == pid_)
        reaped_ = true;
    return !reaped_;
}

Finished Process::finish(int timeout_ms) {
    Finished result;
    // The end of the program is waited for, not of its output: a helper it started (a wine
    // server, say) may keep that open long after.
    bool ended = wait_for([&] { return !still_running(); }, timeout_ms, 5);
    if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        reaped_ = true;
    }
    for (auto [fd, text] : {std::pair{out_, &result.out}, {err_, &result.err}}) {
        char buffer[4096];
        for (ssize_t got; (got = pread(fd, buffer, sizeof buffer, static_cast<off_t>(text->size()))) > 0;)
            text->append(buffer, static_cast<std::size_t>(got));
    }
    if (ended)
        result.exit_code = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    return result;
}

Finished run(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env, int timeout_ms) {
    return Process(program, args, env).finish(timeout_ms);
}

ProgramCopy::ProgramCopy(const std::string& where)
    : folder(where), path(where + "/wallcycle"), settings(where + "/k_save.dat") {
    namespace fs = std::filesystem;
    fs::create_directories(folder);
    fs::path program(WALLCYCLE_PROGRAM);
    for (const auto& entry : fs::directory_iterator(program.parent_path())) { // its modules
        std::string name = entry.path().filename().string();
        if (name.starts_with("wallcycle-") && name.ends_with(".so"))
            fs::copy_file(entry.path(), fs::path(folder) / name, fs::copy_options::overwrite_existing);
    }
    fs::copy_file(program, path, fs::copy_options::overwrite_existing);
}

std::string ProgramCopy::list_text(const std::string& interval, const std::vector<std::string>& entries) {
    std::string text = "\"" + interval + "\"\r\n";
    for (const std::string& entry : entries)
        text += "\"" + entry + "\"\r\n";
    return text;
}

std::map<std::string, std::string> ProgramCopy::session(const std::map<std::string, std::string>& changes) {
    std::map<std::string, std::string> env{{"XDG_CURRENT_DESKTOP", ""},
                                           {"DESKTOP_SESSION", ""},
                                           {"WAYLAND_DISPLAY", ""},
                                           {"SWAYSOCK", ""},
                                           {"WALLCYCLE_BACKEND", ""}};
    for (const auto& [name, value] : changes)
        env[name] = value;
    return env;
}

std::string start_and_read_first_line(const std::vector<std::string>& argv, pid_t& pid) {
    int said[2];
    if (pipe2(said, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pid = spawn(argv, {}, said[1]);
    close(said[1]);
    std::string line;
    pollfd ready{said[0], POLLIN, 0};
    char c = 0;
    while (poll(&ready, 1, 10000) > 0 && read(said[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(said[0]);
    if (line.empty()) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        throw std::runtime_error(argv[0] + " did not say where it listens");
    }
    return line;
}

DbusSession::DbusSession() {
    // Its stderr (a harmless "Failed to set fd limit") goes nowhere.
    // A folder of its own: dbus 1.16 listens on a socket file, not an abstract name.
    std::string address =
        start_and_read_first_line({"dbus-daemon", "--session", "--nofork", "--print-address=1",
                                   "--address=unix:dir=" + sockets_.path()},
                                  pid_);
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
}

DbusSession::~DbusSession() {
    // Services the bus started end with it; the bus itself is ours to stop.
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

void use_private_home(const std::string& folder) {
    for (auto [variable, sub] : {std::pair{"HOME", ""},
                                 {"XDG_CONFIG_HOME", "/.config"},
                                 {"XDG_CACHE_HOME", "/.cache"},
                                 {"XDG_DATA_HOME", "/.local/share"},
                                 {"XDG_RUNTIME_DIR", "/run"}}) {
        std::string path = folder + sub;
        std::filesystem::create_directories(path);
        chmod(path.c_str(), 0700);
        setenv(variable, path.c_str(), 1);
    }
}

namespace {

sockaddr_un socket_address(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
}

int listen_at(const std::string& path) {
    int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = socket_address(path);
    unlink(path.c_str());
    if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listening, 64) != 0)
        throw std::runtime_error("cannot listen at " + path);
    return listening;
}

} // namespace

SilentServer::SilentServer(std::string path) : path_(std::move(path)) {
    int listening = listen_at(path_);
    pid_ = fork();
    if (pid_ == 0)
        for (;;) // what it accepts stays open, unanswered
            (void)accept(listening, nullptr, nullptr);
    close(listening);
}

SilentServer::~SilentServer() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    unlink(path_.c_str());
}

ClosingProxy::ClosingProxy(std::string path, const std::string& bus_address, std::string trigger, Then then)
    : path_(std::move(path)) {
    const std::string prefix = "unix:path=";
    if (bus_address.rfind(prefix, 0) != 0)
        throw std::runtime_error("not a unix:path= bus address: " + bus_address);
    const std::string bus_path = bus_address.substr(prefix.size(), bus_address.find(',') - prefix.size());
    int listening = listen_at(path_);
    pid_ = fork();
    if (pid_ == 0) {
        for (;;) { // one client at a time, as a program's one connection needs
            int client = accept(listening, nullptr, nullptr), bus = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address = socket_address(bus_path);
            if (client < 0 || connect(bus, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
                _exit(1);
            std::string seen; // what the client sent, for a trigger cut across two reads
            bool silent = false;
            for (bool open = true; open;) {
                pollfd both[2] = {{client, POLLIN, 0}, {bus, POLLIN, 0}};
                poll(both, 2, -1);
                for (int i = 0; i < 2 && open; ++i) {
                    if (both[i].revents == 0)
                        continue;
                    char bytes[65536];
                    ssize_t got = read(both[i].fd, bytes, sizeof bytes);
                    if (got <= 0) {
                        open = false;
                        continue;
                    }
                    if (i == 0) {
                        seen = seen.substr(seen.size() > trigger.size() ? seen.size() - trigger.size() : 0);
                        seen.append(bytes, static_cast<std::size_t>(got));
                        if (seen.find(trigger) != std::string::npos) {
                            open = then == Then::fall_silent;
                            silent = true;
                        }
                    }
                    if (silent)
                        continue;
                    open = write(both[1 - i].fd, bytes, static_cast<std::size_t>(got)) == got;
                }
            }
            close(client);
            close(bus);
        }
    }
    close(listening);
}

ClosingProxy::~ClosingProxy() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    unlink(path_.c_str());
}

} // namespace wallcycle::test
