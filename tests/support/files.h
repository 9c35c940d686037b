#pragma once
// Files, folders, the environment and time, as one test needs them.

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace wallcycle::test {

// A fresh directory under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);
// Two symbolic links naming each other: `path` and `path` + ".b".
void make_link_loop(const std::string& path);

// Sets environment variables for one test ("" removes one) and puts the old values back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, std::string>> values);
    ~ScopedEnvironment();

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

// Asks `ready` every `every_ms` until it says yes or the time is up; its last answer. For what a
// test cannot be told about: a desktop coming up, a file being written.
template <typename Ready> bool wait_for(Ready ready, int timeout_ms, int every_ms = 100) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ready())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(every_ms));
    }
    return ready();
}

// Runs the check in a child process as user 65534 (root reads and writes everywhere); returns the
// reason it gave, and fails the test when its first result is false.
template <typename Check> std::string as_another_user(Check check) {
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0)
        return "no pipe";
    pid_t child = fork();
    if (child == 0) {
        close(pipe_fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        auto [ok, reason] = check();
        (void)!write(pipe_fds[1], reason.data(), reason.size());
        _exit(ok ? 0 : 1);
    }
    close(pipe_fds[1]);
    std::string reason;
    char buffer[512];
    for (ssize_t got; (got = read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, static_cast<size_t>(got));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the check failed: " << reason;
    return reason;
}

} // namespace wallcycle::test
