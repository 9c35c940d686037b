#include "platform/child_process.h"

#include "platform/program_facts.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace wallcycle {
namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (auto& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

std::string find_on_path(const std::string& program) {
    if (program.find('/') != std::string::npos)
        return access(program.c_str(), X_OK) == 0 ? program : std::string();
    std::string path = environment_value("PATH");
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        std::string dir = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!dir.empty()) {
            std::string candidate = dir + "/" + program;
            struct stat info {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return {};
}

// The last non-empty line a program wrote to stderr, for the failure message.
static std::string last_line(const std::string& text) {
    std::size_t end = text.find_last_not_of("\r\n \t");
    if (end == std::string::npos)
        return {};
    std::size_t start = text.find_last_of('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end + 1 - (start == std::string::npos ? 0 : start + 1));
}

Status run_program(const std::vector<std::string>& argv, int timeout_ms) {
    std::string program = find_on_path(argv.at(0));
    if (program.empty())
        return fail(argv[0] + " is not installed (not found on PATH)");
    std::vector<std::string> args = argv;
    std::vector<char*> raw = pointers(args);
    int err[2];
    if (pipe2(err, O_CLOEXEC) != 0)
        return fail(std::string("cannot start ") + program + ": " + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    // A process group of its own, so that it and whatever it started can be ended together.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(err[1]);
    if (rc != 0) {
        close(err[0]);
        return fail("cannot start " + program + ": " + std::strerror(rc));
    }
    // Reads its stderr until it exits; its own children may keep the pipe open, so the end of
    // the process, not of the pipe, is what is waited for, and never longer than the timeout.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string errors;
    bool pipe_open = true;
    int status = 0;
    for (;;) {
        pollfd readable{err[0], POLLIN, 0};
        if (poll(pipe_open ? &readable : nullptr, pipe_open ? 1 : 0, 20) > 0) {
            char buffer[4096];
            ssize_t got = read(err[0], buffer, sizeof buffer);
            if (got > 0 && errors.size() < 65536)
                errors.append(buffer, static_cast<size_t>(got));
            if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN))
                pipe_open = false;
        }
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            close(err[0]);
            return fail("lost track of " + program + ": " + std::strerror(errno));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL); // some helpers ignore SIGTERM
            waitpid(pid, &status, 0);
            close(err[0]);
            return fail(argv[0] + " did not finish within " + std::to_string(timeout_ms / 1000) +
                        " s and was stopped");
        }
    }
    close(err[0]);
    std::string said = last_line(errors);
    std::string detail = said.empty() ? std::string() : ": " + said;
    if (WIFSIGNALED(status))
        return fail(argv[0] + " was killed by signal " + std::to_string(WTERMSIG(status)) + detail);
    if (WEXITSTATUS(status) != 0)
        return fail(argv[0] + " failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")" + detail);
    return {};
}

Result<int> start_lasting(const std::vector<std::string>& argv, const std::string& marker, int settle_ms) {
    std::string program = find_on_path(argv.at(0));
    if (program.empty())
        return fail(argv[0] + " is not installed (not found on PATH)");
    std::vector<std::string> args = argv;
    std::vector<char*> raw = pointers(args);
    std::vector<std::string> environment{marker};
    std::string name = marker.substr(0, marker.find('=') + 1);
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, name.c_str(), name.size()) != 0)
            environment.emplace_back(*entry);
    std::vector<char*> raw_environment = pointers(environment);
    // What it says goes to a file in memory: read if it ends at once, and never a pipe that would
    // end it by a signal once nobody reads it.
    int said = memfd_create("wallcycle-child-output", MFD_CLOEXEC);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID); // its own session: it outlives us
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (said >= 0)
        posix_spawn_file_actions_adddup2(&actions, said, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, raw.data(), raw_environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        if (said >= 0)
            close(said);
        return fail("cannot start " + program + ": " + std::strerror(rc));
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(settle_ms);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        usleep(10000);
    std::string output;
    if (done == pid && said >= 0) {
        char buffer[4096];
        ssize_t got = pread(said, buffer, sizeof buffer, 0);
        output = last_line(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0));
    }
    if (said >= 0)
        close(said);
    if (done == 0)
        return static_cast<int>(pid);
    return fail(argv[0] + " ended at once" + (output.empty() ? std::string() : ": " + output));
}

std::vector<int> processes_marked(const std::string& program, const std::string& marker) {
    std::vector<int> found;
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return found;
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        long pid = std::strtol(entry->d_name, &end, 10);
        struct stat owner {};
        if (pid <= 0 || *end != '\0' || stat(("/proc/" + std::string(entry->d_name)).c_str(), &owner) != 0 ||
            owner.st_uid != getuid())
            continue;
        std::ifstream comm("/proc/" + std::string(entry->d_name) + "/comm");
        std::string name;
        if (!std::getline(comm, name) || name != program.substr(0, 15)) // the kernel keeps 15 characters
            continue;
        // A process that has ended (unreaped) shows no environment.
        std::ifstream environment("/proc/" + std::string(entry->d_name) + "/environ", std::ios::binary);
        for (std::string variable; std::getline(environment, variable, '\0');)
            if (variable == marker) {
                found.push_back(static_cast<int>(pid));
                break;
            }
    }
    closedir(proc);
    return found;
}

void end_process(int pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0); // reaps our own child; returns at once for anyone else's
}

} // namespace wallcycle
