#pragma once
// A server that takes connections and never says a word: a hung session bus or X server.

#include <csignal>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wallcycle::test {

class SilentServer {
public:
    explicit SilentServer(std::string path) : path_(std::move(path)) {
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
    ~SilentServer() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        unlink(path_.c_str());
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

private:
    std::string path_;
    pid_t pid_ = -1;
};

} // namespace wallcycle::test
