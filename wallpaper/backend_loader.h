#pragma once

#include "wallpaper/apply_wallpaper.h"

namespace wallcycle {

// The backends for this desktop, in the order they are tried.
BackendList desktop_backends();

} // namespace wallcycle
