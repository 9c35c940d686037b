#pragma once

#include "platform/result.h"
#include "settings/records_as_read.h"
#include "settings/settings.h"

#include <string>

namespace wallcycle {

// The settings as file text: the interval, then each entry in list order, each as
// "text" followed by CR LF. Text holding a double quote or a line break cannot be stored
// (it would not read back); the failure names it. Records kept as read are written as they were.
Result<std::string> write_records(const Settings& settings, const RecordsAsRead& as_read = {});

} // namespace wallcycle
