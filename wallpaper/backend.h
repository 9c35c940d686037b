#pragma once

#include "platform/result.h"

#include <string>

namespace wallcycle {

// One way of setting the desktop wallpaper (one per kind of desktop).
class WallpaperBackend {
public:
    virtual ~WallpaperBackend() = default;

    // A short name for messages and for choosing a backend by hand.
    virtual const char* name() const = 0;

    // Whether this desktop is reachable from here, and if not, why.
    virtual Status can_run() const = 0;

    // Whether the desktop is installed but not up yet, as in the first seconds of a login: then it
    // is worth waiting for, rather than setting a picture it would paint over once it is up.
    virtual bool may_come_up() const { return false; }

    // Sets and stores the wallpaper. On failure the desktop is left as it was.
    virtual Status apply(const std::string& image_path) = 0;
};

} // namespace wallcycle
