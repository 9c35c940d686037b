#include "tests/support/process.h"

#include "tests/support/files.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

extern char** environ;

namespace wallcycle::test {

pid_t spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int out_fd,
            int err_fd) {
    std::vector<std::string> words{"/usr/bin/env"}; // which changes the environment, then runs argv
    for (const auto& [key, value] : env)            // its options come before the variables it sets
        if (value.empty())
            words.insert(words.begin() + 1, {"-u", key});
        else
            words.push_back(key + "=" + value);
    words.insert(words.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (auto& word : words)
        args.push_back(word.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (auto [fd, to] : {std::pair{out_fd, 1}, {err_fd, 2}})
        if (fd >= 0)
            posix_spawn_file_actions_adddup2(&actions, fd, to);
        else
            posix_spawn_file_actions_addopen(&actions, to, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + argv.at(0) + ": " + std::strerror(rc));
    return pid;
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

std::string copy_program_into(const std::string& directory) {
    namespace fs = std::filesystem;
    fs::path program(WALLCYCLE_PROGRAM);
    for (const auto& entry : fs::directory_iterator(program.parent_path())) { // its modules
        std::string name = entry.path().filename().string();
        if (name.starts_with("wallcycle-") && name.ends_with(".so"))
            fs::copy_file(entry.path(), fs::path(directory) / name, fs::copy_options::overwrite_existing);
    }
    std::string target = directory + "/wallcycle";
    fs::copy_file(program, target, fs::copy_options::overwrite_existing);
    return target;
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
    address_ = start_and_read_first_line({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, pid_);
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
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

SilentServer::SilentServer(std::string path) : path_(std::move(path)) {
    int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path_.copy(address.sun_path, sizeof address.sun_path - 1);
    unlink(path_.c_str());
    if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listening, 64) != 0)
        throw std::runtime_error("cannot listen at " + path_);
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

} // namespace wallcycle::test
