#include "platform/server_answers_linux.h"

#include "platform/program_facts.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace wallcycle {

std::optional<LocalSocket> bus_socket(const std::string& address) {
    std::string first = address.substr(0, address.find(';'));
    if (first.rfind("unix:", 0) != 0)
        return std::nullopt;
    std::string keys = first.substr(5);
    for (std::size_t start = 0; start <= keys.size();) {
        std::size_t end = std::min(keys.find(',', start), keys.size());
        std::string pair = keys.substr(start, end - start);
        for (auto [key, abstract] : {std::pair{"path=", false}, {"abstract=", true}})
            if (pair.rfind(key, 0) == 0)
                return LocalSocket{pair.substr(std::strlen(key)), abstract};
        start = end + 1;
    }
    return std::nullopt;
}

Result<bool> socket_answers(const LocalSocket& socket_at, const std::string& greeting, int timeout_ms,
                            const NextWords& then) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::size_t offset = socket_at.abstract ? 1 : 0; // an abstract name starts with a NUL
    if (socket_at.path.size() + offset >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path + offset, socket_at.path.data(), socket_at.path.size());
    socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                              socket_at.path.size() + (socket_at.abstract ? 0 : 1));
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    auto left_ms = [&] {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    };
    auto wait_for = [&](short event) {
        pollfd ready{fd, event, 0};
        int got = 0;
        while ((got = poll(&ready, 1, left_ms())) < 0 && errno == EINTR) {
        }
        return got == 1 && (ready.revents & event) != 0;
    };
    bool silent = false, there = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 || errno == EAGAIN ||
        errno == EINPROGRESS) {
        there = true;
        // A full backlog leaves the connection pending: that counts against the bound too.
        std::string words = greeting, answer;
        while (!words.empty() && !silent) {
            if (!wait_for(POLLOUT) || send(fd, words.data(), words.size(), MSG_NOSIGNAL) < 0) {
                silent = left_ms() == 0;
                break;
            }
            words.clear();
            answer.clear();
            for (std::optional<std::string> next; !next;) {
                if (!wait_for(POLLIN)) {
                    silent = left_ms() == 0;
                    break;
                }
                char bytes[512];
                ssize_t got = recv(fd, bytes, sizeof bytes, 0);
                if (got <= 0) // closed, or refused: the library's to say
                    break;
                answer.append(bytes, static_cast<std::size_t>(got));
                next = then ? then(answer) : std::optional<std::string>("");
                if (next)
                    words = *next;
            }
        }
    }
    close(fd);
    if (silent)
        return fail(std::string(socket_at.abstract ? "@" : "") + socket_at.path +
                    " accepts but does not answer (waited " + std::to_string(timeout_ms / 1000) + " s)");
    return there;
}

bool session_bus_given_up() {
    return environment_value("DBUS_SESSION_BUS_ADDRESS") == unanswering_bus_address;
}

std::string session_bus_address() {
    std::string address = environment_value("DBUS_SESSION_BUS_ADDRESS");
    if (!address.empty())
        return address;
    std::string runtime = environment_value("XDG_RUNTIME_DIR");
    if (runtime.empty() || access((runtime + "/bus").c_str(), F_OK) != 0)
        return {};
    return "unix:path=" + runtime + "/bus";
}

Status session_bus_answers(int timeout_ms) {
    std::string address = session_bus_address();
    std::optional<LocalSocket> bus = bus_socket(address);
    if (!bus)
        return {};
    // The first words of D-Bus authentication: a NUL, then the user's id as hexadecimal text.
    std::string uid = std::to_string(getuid()), hex;
    for (char digit : uid) {
        static const char* digits = "0123456789abcdef";
        hex += digits[(digit >> 4) & 15];
        hex += digits[digit & 15];
    }
    // Once authenticated, the first call every connection makes (Hello), which only the bus
    // itself answers: a bus that authenticates and then says nothing holds a library as long.
    static constexpr char hello[] = "l\1\0\1\0\0\0\0\1\0\0\0n\0\0\0" // a call, serial 1, 110 bytes of fields
                                    "\1\1o\0\x15\0\0\0/org/freedesktop/DBus\0\0\0"  // path
                                    "\6\1s\0\x14\0\0\0org.freedesktop.DBus\0\0\0\0" // destination
                                    "\2\1s\0\x14\0\0\0org.freedesktop.DBus\0\0\0\0" // interface
                                    "\3\1s\0\5\0\0\0Hello\0\0\0";                   // member
    bool authenticated = false;
    auto then = [&](std::string_view answer) -> std::optional<std::string> {
        if (authenticated)
            return std::string(); // the answer to Hello
        if (answer.find("\r\n") == std::string_view::npos)
            return std::nullopt;
        authenticated = answer.starts_with("OK ");
        return authenticated ? "BEGIN\r\n" + std::string(hello, sizeof hello - 1) : std::string();
    };
    if (Result<bool> answered =
            socket_answers(*bus, std::string(1, '\0') + "AUTH EXTERNAL " + hex + "\r\n", timeout_ms, then);
        !answered)
        return fail("the session D-Bus at " + address.substr(0, 200) + ": " + answered.reason());
    else if (!answered.value()) // the libraries would fail on it, each in words of its own
        return fail("the session D-Bus at " + address.substr(0, 200) + " is not there (nobody listens)");
    return {};
}

} // namespace wallcycle
