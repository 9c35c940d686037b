#pragma once
// One maker per desktop; each desktop's facts live in its own file.

#include "wallpaper/backend.h"

#include <memory>

namespace wallcycle {

// Reached over D-Bus or GSettings (in the desktops module).
std::unique_ptr<WallpaperBackend> make_gnome_backend();
std::unique_ptr<WallpaperBackend> make_cinnamon_backend();
std::unique_ptr<WallpaperBackend> make_mate_backend();
std::unique_ptr<WallpaperBackend> make_xfce_backend();
std::unique_ptr<WallpaperBackend> make_kde_backend();
// Driven through programs of their own (always linked).
std::unique_ptr<WallpaperBackend> make_lxqt_backend();
std::unique_ptr<WallpaperBackend> make_lxde_backend();
std::unique_ptr<WallpaperBackend> make_sway_backend();

} // namespace wallcycle
