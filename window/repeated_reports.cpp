#include "window/repeated_reports.h"

namespace wallcycle {

std::optional<std::string> RepeatedReports::line(const std::string& text, Clock::time_point now) {
    auto found = said_.find(text);
    if (found != said_.end() && now - found->second.at < quiet_for) {
        ++found->second.since;
        return std::nullopt;
    }
    std::string line = text;
    if (found != said_.end() && found->second.since > 0)
        line += " (" + std::to_string(found->second.since) + " more times in the last minute)";
    if (said_.size() >= 256) // a long list of broken pictures: what is a minute old may go
        std::erase_if(said_, [&](const auto& entry) { return now - entry.second.at >= quiet_for; });
    said_[text] = {now, 0};
    return line;
}

} // namespace wallcycle
