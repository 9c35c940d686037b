#include "window/interval_stepping.h"

namespace wallcycle {

std::optional<std::string> stepped_up(std::string_view interval_text, const NumberFormat& format) {
    std::optional<double> seconds = parse_number(interval_text, format);
    if (!seconds)
        return std::nullopt;
    return format_number(*seconds + 1.0, format);
}

std::optional<std::string> stepped_down(std::string_view interval_text, const NumberFormat& format) {
    std::optional<double> seconds = parse_number(interval_text, format);
    if (!seconds || !(*seconds > 0.0))
        return std::nullopt;
    return format_number(*seconds - 1.0, format);
}

} // namespace wallcycle
