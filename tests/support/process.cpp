#include "tests/support/process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace wallcycle::test {

pid_t spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env, int out_fd,
            int err_fd) {
    std::map<std::string, std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        std::string entry(*e);
        auto eq = entry.find('=');
        if (eq != std::string::npos)
            merged[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [key, value] : env) {
        if (value.empty())
            merged.erase(key);
        else
            merged[key] = value;
    }
    std::vector<std::string> env_strings;
    for (const auto& [key, value] : merged)
        env_strings.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (auto& e : env_strings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> arg_strings = argv;
    std::vector<char*> args;
    for (auto& a : arg_strings)
        args.push_back(a.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (out_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (err_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, err_fd, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + argv.at(0) + ": " + std::strerror(rc));
    return pid;
}

Process::Process(const std::string& program, const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& env) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    fds_[0] = out[0];
    fds_[1] = err[0];
    try {
        pid_ = spawn(argv, env, out[1], err[1]);
    } catch (...) {
        for (int fd : {out[0], out[1], err[0], err[1]})
            close(fd);
        throw;
    }
    close(out[1]);
    close(err[1]);
}

Process::~Process() {
    if (!reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : fds_)
        close(fd);
}

bool Process::still_running() {
    if (reaped_)
        return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_)
        reaped_ = true;
    return !reaped_;
}

Finished Process::finish(int timeout_ms) {
    Finished result;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    // Reads what is there within wait_ms; false when nothing came in time.
    int open_fds[2] = {fds_[0], fds_[1]}; // -1 once its writers have all closed it
    auto read_some = [&](int wait_ms) {
        pollfd fds[2] = {{open_fds[0], POLLIN, 0}, {open_fds[1], POLLIN, 0}};
        if (poll(fds, 2, wait_ms) <= 0)
            return false;
        bool got_any = false;
        for (int i = 0; i < 2; ++i) {
            char buffer[4096];
            ssize_t got = fds[i].revents != 0 ? read(fds_[i], buffer, sizeof buffer) : -1;
            if (got == 0)
                open_fds[i] = -1;
            if (got > 0)
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(got));
            got_any = got_any || got >= 0; // data, or one more of them closed
        }
        return got_any;
    };
    // Until the program ends or time runs out. A helper it started (a wine server, say) may keep
    // stderr open long after, so the end of the program, not of stderr, is what is waited for.
    while (still_running() && std::chrono::steady_clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        read_some(static_cast<int>(std::min<long long>(50, std::max<long long>(0, left.count()))));
    }
    bool killed = still_running();
    if (killed) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
        reaped_ = true;
    }
    while (read_some(100)) {
    }
    if (killed)
        return result;
    if (WIFEXITED(status_))
        result.exit_code = WEXITSTATUS(status_);
    else
        result.exit_code = 128 + WTERMSIG(status_);
    return result;
}

Finished run(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env, int timeout_ms) {
    Process process(program, args, env);
    return process.finish(timeout_ms);
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

} // namespace wallcycle::test
