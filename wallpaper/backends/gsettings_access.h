#pragma once
// Wallpaper keys in GSettings, as GNOME, Cinnamon and MATE keep them (stored in dconf).

#include "platform/result.h"
#include "wallpaper/desktop_picture.h"

#include <string>
#include <vector>

namespace wallcycle {

struct GSettingsWallpaperKeys {
    const char* schema;      // e.g. "org.gnome.desktop.background"
    const char* picture_key; // the picture: a file URI, or a plain path
    bool picture_is_uri;
    const char* dark_key;    // the same picture for the dark style, where the schema has it
    const char* options_key; // how the picture fills the screen
    const char* options_value;
};

// Whether the schema and its keys are installed.
Status gsettings_keys_present(const GSettingsWallpaperKeys& keys);

// How long a change of the picture may take in the settings store.
constexpr int settings_store_ms = 10000;

// Stores the picture and waits until the store has it, at most settings_store_ms; reads it back
// to make sure it was kept.
// The same picture set again is stored after a brief empty value, so the desktop repaints
// (a desktop ignores a "change" to the value it already has).
Status gsettings_set_picture(const GSettingsWallpaperKeys& keys, const std::string& absolute_path);

// The values of the picture keys (a file URI or a path each).
Result<std::vector<std::string>> gsettings_pictures(const GSettingsWallpaperKeys& keys);

// A desktop whose wallpaper lives in GSettings keys.
class GSettingsDesktopBackend : public FileDesktopBackend {
public:
    GSettingsDesktopBackend(const char* name, const GSettingsWallpaperKeys& keys)
        : name_(name), keys_(keys) {}
    const char* name() const override { return name_; }
    Status can_run() const override { return gsettings_keys_present(keys_); }

private:
    Status show(const std::string& file) override { return gsettings_set_picture(keys_, file); }
    Result<std::vector<std::string>> named_files() const override { return gsettings_pictures(keys_); }

    const char* name_;
    GSettingsWallpaperKeys keys_;
};

} // namespace wallcycle
