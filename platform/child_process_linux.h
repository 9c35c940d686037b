#pragma once
// Running the helper programs some desktops are driven by: never through a shell, so no path
// or argument is ever interpreted.

#include "platform/result.h"

#include <string>
#include <vector>

namespace wallcycle {

// Starts argv[0] (looked up on PATH) with this process's environment changed by `changes`
// ("NAME=value" sets a variable, "NAME" alone removes it), stdin from /dev/null, stdout and stderr
// into the given descriptors (-1: /dev/null), with posix_spawn's `flags` (a process group or a
// session of its own). Its process id, or why it could not start.
Result<int> spawn_child(const std::vector<std::string>& argv, const std::vector<std::string>& changes,
                        int out_fd, int err_fd, int flags = 0);

// The full path of a program found on PATH, or empty text.
std::string find_on_path(const std::string& program);

// Runs argv[0] (looked up on PATH) with the rest as its arguments and waits for it, at most
// timeout_ms: then it and what it started are killed. Fails with the reason when it cannot
// start, is killed, takes too long, or exits with a status other than 0; the reason ends with the
// last line it wrote (on stderr or stdout: some helpers, swaymsg among them, say why on stdout).
Status run_program(const std::vector<std::string>& argv, int timeout_ms = 10000);

// Starts a program that keeps running after this one exits, with `marker` ("NAME=value") added
// to its environment, and waits `settle_ms` to see it stay up. Its process id; or, when it could
// not start or ended within that time, why (with the last line it wrote).
Result<int> start_lasting(const std::vector<std::string>& argv, const std::string& marker, int settle_ms);

// The running processes of this user named `program` (any name when empty) whose environment holds
// `marker`: the ones start_lasting started with it, whoever started them.
std::vector<int> processes_marked(const std::string& program, const std::string& marker);

// The arguments, program first, of each running process of this user named `program`.
std::vector<std::vector<std::string>> command_lines_of(const std::string& program);

// Ends a process (SIGTERM, then SIGKILL after two seconds), reaping it when it is our child;
// returns within three seconds whatever the process does.
void end_process(int pid);

} // namespace wallcycle
