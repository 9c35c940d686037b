#pragma once
// Running programs from outside, as a user or a login script would, and the servers tests start.

#include "tests/support/files.h"

#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace wallcycle::test {

// Starts argv[0] (looked up on PATH) with this process's environment, changed by env (an empty
// value removes a variable), stdin from /dev/null and stdout and stderr into the given descriptors
// (-1: /dev/null). The one way the tests start a program, the program's own; throws when it cannot
// start.
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

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1; // files in memory: a helper it started may hold them open for long
    int status_ = 0;
    bool reaped_ = false;
};

Finished run(const std::string& program, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env = {}, int timeout_ms = 20000);

// The built program and its modules copied into a folder of its own (made), where it reads its
// settings file, run as a login script would start it.
struct ProgramCopy {
    explicit ProgramCopy(const std::string& folder);
    std::string folder, path, settings;

    // The settings file's text: the interval, then one record per entry.
    static std::string list_text(const std::string& interval, const std::vector<std::string>& entries);
    void write_list(const std::string& interval, const std::vector<std::string>& entries) const {
        write_file(settings, list_text(interval, entries));
    }
    // The environment of a bare X session (whatever desktop the machine running the tests has),
    // changed by `changes`.
    static std::map<std::string, std::string> session(const std::map<std::string, std::string>& changes = {});
};

// Starts a server that says where it listens in its first line on stdout (within 10 s); that line.
std::string start_and_read_first_line(const std::vector<std::string>& argv, pid_t& pid);

// A private session D-Bus for one test program, made this process's session bus. Services it
// starts on demand (xfconfd) inherit this process's environment as it is when the bus starts:
// set HOME and the XDG folders first.
class DbusSession {
public:
    DbusSession();
    ~DbusSession();
    DbusSession(const DbusSession&) = delete;
    DbusSession& operator=(const DbusSession&) = delete;

private:
    TempDir sockets_; // where it listens: removed with it, whatever the bus leaves there
    pid_t pid_ = -1;
};

// Points HOME and the XDG folders of this process at a private folder (made, mode 700).
void use_private_home(const std::string& folder);

// A server that takes connections and never says a word: a hung session bus or X server.
class SilentServer {
public:
    explicit SilentServer(std::string path);
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

private:
    std::string path_;
    pid_t pid_ = -1;
};

// A session bus that fails mid-call: passes everything between its clients and the bus at
// `bus_address` (a unix:path= address) until a client sends a message holding `trigger` (a method's
// name), then closes that client's connection without an answer, or keeps it open and passes
// nothing more either way (a bus that has gone silent).
class ClosingProxy {
public:
    enum class Then { close, fall_silent };
    ClosingProxy(std::string path, const std::string& bus_address, std::string trigger,
                 Then then = Then::close);
    ~ClosingProxy();
    ClosingProxy(const ClosingProxy&) = delete;
    ClosingProxy& operator=(const ClosingProxy&) = delete;

private:
    std::string path_;
    pid_t pid_ = -1;
};

} // namespace wallcycle::test
