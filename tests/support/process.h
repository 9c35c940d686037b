#pragma once
// Running the built program from outside, as a user or a login script would.

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace wallcycle::test {

// Starts argv[0] (looked up on PATH) with this process's environment, changed by env (an empty
// value removes a variable), stdin from /dev/null and stdout and stderr into the given descriptors
// (-1: /dev/null). The one way the tests start a program; throws when it cannot start.
pid_t spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env = {},
            int out_fd = -1, int err_fd = -1);

struct Finished {
    int exit_code = -1; // -1 when it did not end in time (it is killed then)
    std::string out, err;
};

class Process {
public:
    // Starts program with args; env entries replace or add variables ("" value removes one).
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool still_running();
    // Waits up to the given time, then kills it.
    Finished finish(int timeout_ms);
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int fds_[2] = {-1, -1}; // its stdout and stderr
    int status_ = 0;
    bool reaped_ = false;
};

Finished run(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env = {}, int timeout_ms = 20000);

// A copy of the built program and its modules in a directory of its own, where it looks for its
// settings.
std::string copy_program_into(const std::string& directory);

} // namespace wallcycle::test
