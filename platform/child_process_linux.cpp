#include "platform/child_process_linux.h"

#include "platform/program_facts.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

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

Result<int> spawn_child(const std::vector<std::string>& argv, const std::vector<std::string>& changes,
                        int out_fd, int err_fd, int flags) {
    std::string program = find_on_path(argv.at(0));
    if (program.empty())
        return fail(argv[0] + " is not installed (not found on PATH)");
    std::vector<std::string> args = argv, environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string_view variable(*entry);
        bool changed = false;
        for (const std::string& change : changes)
            changed = changed || variable.substr(0, variable.find('=')) == change.substr(0, change.find('='));
        if (!changed)
            environment.emplace_back(variable);
    }
    for (const std::string& change : changes)
        if (change.find('=') != std::string::npos)
            environment.push_back(change);
    std::vector<char*> raw = pointers(args), raw_environment = pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    for (auto [fd, to] : {std::pair{out_fd, 1}, {err_fd, 2}})
        if (fd >= 0)
            posix_spawn_file_actions_adddup2(&actions, fd, to);
        else
            posix_spawn_file_actions_addopen(&actions, to, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, static_cast<short>(flags));
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, raw.data(), raw_environment.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0)
        return fail("cannot start " + program + ": " + std::strerror(rc));
    return static_cast<int>(pid);
}

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

// What a child said, in a file in memory: read once it has ended, and never a pipe that would end
// it by a signal once nobody reads it (its own children may keep it open long after).
static std::string last_line_written_to(int file) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; text.size() < 65536 &&
                      (got = pread(file, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    return last_line(text);
}

// Waits for our child to end, at most timeout_ms: its pid once it has ended, 0 while it still
// runs, -1 when it cannot be waited for.
static pid_t wait_for_end(pid_t pid, int& status, int timeout_ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done < 0 && errno == EINTR)
            done = 0; // interrupted: not known to have ended
        if (done != 0 || std::chrono::steady_clock::now() >= deadline)
            return done;
        usleep(5000);
    }
}

Status run_program(const std::vector<std::string>& argv, int timeout_ms) {
    int said = memfd_create("wallcycle-child-output", MFD_CLOEXEC);
    if (said < 0)
        return fail("cannot start " + argv.at(0) + ": " + std::strerror(errno));
    // A process group of its own, so that it and whatever it started can be ended together.
    Result<int> started = spawn_child(argv, {}, said, said, POSIX_SPAWN_SETPGROUP);
    if (!started) {
        close(said);
        return fail(started.reason());
    }
    const pid_t pid = started.value();
    int status = 0;
    const pid_t done = wait_for_end(pid, status, timeout_ms);
    const int wait_error = errno; // why it could not be waited for, before reading its output
    if (done == 0) {
        kill(-pid, SIGKILL); // some helpers ignore SIGTERM
        waitpid(pid, &status, 0);
        close(said);
        return fail(argv[0] + " did not finish within " + std::to_string(timeout_ms / 1000) +
                    " s and was stopped");
    }
    std::string last = last_line_written_to(said);
    close(said);
    if (done < 0)
        return fail("lost track of " + argv[0] + ": " + std::strerror(wait_error));
    std::string detail = last.empty() ? std::string() : ": " + last;
    if (WIFSIGNALED(status))
        return fail(argv[0] + " was killed by signal " + std::to_string(WTERMSIG(status)) + detail);
    if (WEXITSTATUS(status) != 0)
        return fail(argv[0] + " failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")" + detail);
    return {};
}

Result<int> start_lasting(const std::vector<std::string>& argv, const std::string& marker, int settle_ms) {
    int said = memfd_create("wallcycle-child-output", MFD_CLOEXEC);
    // Its own session: it outlives us. What it says is read if it ends at once.
    Result<int> started = spawn_child(argv, {marker}, -1, said, POSIX_SPAWN_SETSID);
    if (!started) {
        if (said >= 0)
            close(said);
        return started;
    }
    const pid_t pid = started.value();
    int status = 0;
    const pid_t done = wait_for_end(pid, status, settle_ms);
    std::string output = done == pid && said >= 0 ? last_line_written_to(said) : std::string();
    if (said >= 0)
        close(said);
    if (done == 0)
        return static_cast<int>(pid);
    return fail(argv[0] + " ended at once" + (output.empty() ? std::string() : ": " + output));
}

namespace {

// The running processes of this user named `program` (any name when empty) that `wanted` takes,
// given the process's folder in /proc.
template <typename Wanted> std::vector<int> processes_of_user(const std::string& program, Wanted wanted) {
    std::vector<int> found;
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return found;
    while (dirent* entry = readdir(proc)) {
        char* end = nullptr;
        long pid = std::strtol(entry->d_name, &end, 10);
        const std::string folder = "/proc/" + std::string(entry->d_name);
        struct stat owner {};
        if (pid <= 0 || pid == getpid() || *end != '\0' || stat(folder.c_str(), &owner) != 0 ||
            owner.st_uid != getuid())
            continue;
        std::ifstream comm(folder + "/comm");
        std::string name;
        // The kernel keeps 15 characters of a name.
        if (!std::getline(comm, name) || (!program.empty() && name != program.substr(0, 15)))
            continue;
        if (wanted(folder))
            found.push_back(static_cast<int>(pid));
    }
    closedir(proc);
    return found;
}

std::vector<std::string> nul_separated(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> parts;
    for (std::string part; std::getline(in, part, '\0');)
        parts.push_back(part);
    return parts;
}

} // namespace

std::vector<int> processes_marked(const std::string& program, const std::string& marker) {
    // A process that has ended (unreaped) shows no environment.
    return processes_of_user(program, [&](const std::string& folder) {
        std::vector<std::string> environment = nul_separated(folder + "/environ");
        return std::find(environment.begin(), environment.end(), marker) != environment.end();
    });
}

std::vector<std::vector<std::string>> command_lines_of(const std::string& program) {
    std::vector<std::vector<std::string>> lines;
    processes_of_user(program, [&](const std::string& folder) {
        lines.push_back(nul_separated(folder + "/cmdline"));
        return false;
    });
    return lines;
}

void end_process(int pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    // Our own child is reaped (anyone else's is not ours to wait for): one that ignores SIGTERM for
    // two seconds is killed, and no wait lasts longer than three.
    for (int waited_ms = 0; waited_ms < 3000; waited_ms += 10) {
        pid_t ended = waitpid(pid, nullptr, WNOHANG);
        if (ended != 0)
            return; // reaped, or not our child
        if (waited_ms == 2000)
            kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace wallcycle
