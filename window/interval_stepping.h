#pragma once
// The interval buttons: one second up, or one second down while the interval is above zero.

#include "platform/number_text.h"

#include <optional>
#include <string>
#include <string_view>

namespace wallcycle {

// The new interval text, or nothing when the text is not a number (it then stays as it is).
std::optional<std::string> stepped_up(std::string_view interval_text, const NumberFormat& format);

// The new interval text when the interval is above 0 (a half steps to minus a half);
// nothing when it is 0 or below, or not a number.
std::optional<std::string> stepped_down(std::string_view interval_text, const NumberFormat& format);

} // namespace wallcycle
