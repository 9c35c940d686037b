#include "window/repeated_reports.h"

namespace wallcycle {

std::optional<std::string> RepeatedReports::line(const std::string& failure, Clock::time_point now) {
    if (failure == last_ && now - said_at_ < quiet_for) {
        ++unsaid_;
        return std::nullopt;
    }
    std::string said = failure;
    if (failure == last_ && unsaid_ > 0)
        said += " (" + std::to_string(unsaid_) + " more times in the last minute)";
    last_ = failure;
    said_at_ = now;
    unsaid_ = 0;
    return said;
}

} // namespace wallcycle
