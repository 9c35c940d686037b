#include "wallpaper/rotation.h"

#include "platform/rounding.h"
#include "platform/shown_path.h"

#include <string>

namespace wallcycle {

Result<int> rotation_interval_ms(std::string_view interval_text, const NumberFormat& format) {
    std::string quoted = "\"" + shown_path(interval_text) + "\""; // a hand-edited file may hold anything
    std::optional<double> seconds = parse_number(interval_text, format);
    if (!seconds)
        return fail("the interval " + quoted + " is not a number of seconds");
    std::optional<std::int32_t> ms = round_half_even_to_int32(*seconds * 1000.0);
    if (!ms)
        return fail("the interval " + quoted + " is too long for the timer");
    if (*ms < 0)
        return fail("the interval " + quoted + " is negative");
    return static_cast<int>(*ms);
}

} // namespace wallcycle
