#pragma once
// Running the helper programs some desktops are driven by: never through a shell, so no path
// or argument is ever interpreted.

#include "platform/result.h"

#include <string>
#include <vector>

namespace wallcycle {

// The full path of a program found on PATH, or empty text.
std::string find_on_path(const std::string& program);

// Runs argv[0] (looked up on PATH) with the rest as its arguments and waits for it, at most
// timeout_ms: then it and what it started are killed. Fails with the reason when it cannot
// start, is killed, takes too long, or exits with a status other than 0.
Status run_program(const std::vector<std::string>& argv, int timeout_ms = 10000);

// Starts a program that keeps running after this one exits (it is not waited for);
// its process id, or why it could not start.
Result<int> start_detached(const std::vector<std::string>& argv);

// Whether a process runs with the given id and its program's name is the given one.
bool process_is(int pid, const std::string& program_name);

// Ends a process (SIGTERM).
void end_process(int pid);

} // namespace wallcycle
