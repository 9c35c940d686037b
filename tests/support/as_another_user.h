#pragma once
// Root reads and writes everywhere: checks of permissions run as an ordinary user.

#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace wallcycle::test {

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
