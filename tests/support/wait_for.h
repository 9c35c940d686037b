#pragma once
// Waiting for something a test cannot be told about: a desktop coming up, a file being written.

#include <chrono>
#include <thread>

namespace wallcycle::test {

// Asks `ready` every `every_ms` until it says yes or the time is up; its last answer.
template <typename Ready> bool wait_for(Ready ready, int timeout_ms, int every_ms = 100) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ready())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(every_ms));
    }
    return ready();
}

} // namespace wallcycle::test
