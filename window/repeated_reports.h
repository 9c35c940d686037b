#pragma once
// A rotation that fails at every tick would write a line each time, forever: a line that repeats
// is said once, then at most once a minute with how often it came in between. Each line on its
// own, so that two pictures failing by turns are held back alike.

#include <chrono>
#include <optional>
#include <string>
#include <unordered_map>

namespace wallcycle {

class RepeatedReports {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds quiet_for{60};

    // The line to write now for this text, or nothing.
    std::optional<std::string> line(const std::string& text, Clock::time_point now);

private:
    struct Said {
        Clock::time_point at;
        long since = 0; // held back since then
    };
    std::unordered_map<std::string, Said> said_;
};

} // namespace wallcycle
