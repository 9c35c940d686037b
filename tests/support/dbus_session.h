#pragma once
// A private session D-Bus for one test program. Services it starts on demand (xfconfd) inherit
// this process's environment as it is when the bus starts: set HOME and the XDG folders first.

#include <string>
#include <sys/types.h>

namespace wallcycle::test {

class DbusSession {
public:
    DbusSession();
    ~DbusSession();
    DbusSession(const DbusSession&) = delete;
    DbusSession& operator=(const DbusSession&) = delete;

    const std::string& address() const { return address_; }

private:
    pid_t pid_ = -1;
    std::string address_;
};

// Points HOME and the XDG folders of this process at a private folder (made, mode 700).
void use_private_home(const std::string& folder);

} // namespace wallcycle::test
