#pragma once

#include "wallpaper/backend.h"

#include <string>

namespace wallcycle {

// The X11 root window, as any window manager without a desktop of its own shows it.
// The picture is kept in a pixmap that outlives the program and is named in _XROOTPMAP_ID and
// ESETROOT_PMAP_ID, the convention shared with feh, hsetroot and xwallpaper, so each of them
// frees the other's previous picture.
class X11RootBackend : public WallpaperBackend {
public:
    // An empty display name means $DISPLAY.
    explicit X11RootBackend(std::string display = {});

    const char* name() const override { return "x11"; }
    Status can_run() const override;
    Status apply(const std::string& image_path) override;

private:
    std::string display_;
};

} // namespace wallcycle
