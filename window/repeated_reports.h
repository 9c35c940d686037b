#pragma once
// A rotation that fails at every tick would write a line each time, forever: a failure that
// repeats is said once, then at most once a minute with how often it came in between.

#include <chrono>
#include <optional>
#include <string>

namespace wallcycle {

class RepeatedReports {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds quiet_for{60};

    // The line to write now for this failure, or nothing.
    std::optional<std::string> line(const std::string& failure, Clock::time_point now);

private:
    std::string last_;
    Clock::time_point said_at_{};
    long unsaid_ = 0;
};

} // namespace wallcycle
