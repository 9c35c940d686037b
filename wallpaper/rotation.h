#pragma once

#include "platform/number_text.h"
#include "platform/result.h"

#include <string_view>

namespace wallcycle {

// The rotation period in milliseconds for an interval in seconds given as text:
// seconds x 1000, rounded half to even. 0 means no rotation. Text that is not a number,
// a negative period and one beyond 2,147,483,647 ms are refused with the reason.
Result<int> rotation_interval_ms(std::string_view interval_text, const NumberFormat& format);

} // namespace wallcycle
