// LXQt: pcmanfm-qt draws the desktop and keeps the picture in its own settings.
//
// pcmanfm-qt before 1.4 (Debian 12 ships 1.2.1) takes no "zoom" mode from its command line and
// silently keeps the mode it had, which may hide the picture ("none"). So it always gets a picture
// of ours, cropped to the shape of the largest monitor, shown "stretch"ed: on every version that
// covers the screen without distortion. pcmanfm-qt 1.2.1 shows the new mode but stores only the
// new path, so the mode is also written into the profile that names our file: the next login
// shows the picture too.

#include "platform/child_process_linux.h"
#include "platform/program_facts.h"
#include "platform/shown_path.h"
#include "wallpaper/backends/x11_desktop_window.h"
#include "wallpaper/desktop_picture.h"

#include <QDir>
#include <QSettings>
#include <chrono>
#include <thread>

namespace wallcycle {
namespace {

constexpr const char* shown_mode = "stretch";

QDir profiles_folder() {
    return QDir(QString::fromStdString(xdg_folder("XDG_CONFIG_HOME", "/.config") + "/pcmanfm-qt"));
}

QString settings_of(const QDir& profiles, const QString& profile) {
    return profiles.filePath(profile + QStringLiteral("/settings.conf"));
}

// Waits (briefly) for pcmanfm-qt to store the new path in its profile, then stores the mode beside it.
Status store_mode(const std::string& picture) {
    QDir profiles = profiles_folder();
    QString wanted = QString::fromStdString(picture);
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (const QString& profile : profiles.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QSettings settings(settings_of(profiles, profile), QSettings::IniFormat);
            if (settings.value(QStringLiteral("Desktop/Wallpaper")).toString() != wanted)
                continue;
            if (settings.value(QStringLiteral("Desktop/WallpaperMode")).toString() !=
                QLatin1String(shown_mode)) {
                settings.setValue(QStringLiteral("Desktop/WallpaperMode"), QLatin1String(shown_mode));
                settings.sync();
                if (settings.status() != QSettings::NoError)
                    return fail("pcmanfm-qt shows the picture, but its settings in " +
                                shown_path(profiles.filePath(profile).toStdString()) + " cannot be written");
            }
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return fail("pcmanfm-qt shows the picture but did not store it in its settings");
}

class LxqtBackend : public FileDesktopBackend {
public:
    const char* name() const override { return "lxqt"; }
    Status can_run() const override {
        if (find_on_path("pcmanfm-qt").empty())
            return fail("pcmanfm-qt is not installed");
        if (!desktop_window_shown("pcmanfm-qt"))
            return fail("no pcmanfm-qt desktop is running on this display");
        return {};
    }
    bool may_come_up() const override { return !find_on_path("pcmanfm-qt").empty(); }

private:
    MadePicture made_picture(const std::string&) const override { return MadePicture::always; }
    Status show(const std::string& file) override {
        Status shown = run_program({"pcmanfm-qt", "--set-wallpaper", file, "--wallpaper-mode", shown_mode});
        return shown ? store_mode(file) : shown;
    }
    // What each profile shows.
    Result<std::vector<std::string>> named_files() const override {
        QDir profiles = profiles_folder();
        std::vector<std::string> files;
        for (const QString& profile : profiles.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            files.push_back(QSettings(settings_of(profiles, profile), QSettings::IniFormat)
                                .value(QStringLiteral("Desktop/Wallpaper"))
                                .toString()
                                .toStdString());
        return files;
    }
};

} // namespace
} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_lxqt_backend() {
    return new wallcycle::LxqtBackend();
}
