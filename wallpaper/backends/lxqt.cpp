// LXQt: pcmanfm-qt draws the desktop and keeps the picture in its own settings.
//
// pcmanfm-qt before 1.4 (Debian 12 ships 1.2.1) takes no "zoom" mode from its command line and
// silently keeps the mode it had, which may hide the picture ("none"). So the picture is scaled
// and cropped here to the shape of the largest monitor, written as a file of our own, and shown
// "stretch"ed: on every version that covers the screen without distortion. The file name
// alternates between two, so pcmanfm-qt always sees a new path and redraws, even when the same
// picture (perhaps edited since) is set again. pcmanfm-qt 1.2.1 shows the new mode but stores only
// the new path, so the mode is also written into the profile that names our file: the next login
// shows the picture too.

#include "wallpaper/backend.h"

#include "pictures/picture_reader.h"
#include "platform/child_process.h"
#include "platform/file_io.h"
#include "platform/program_facts.h"
#include "platform/shown_path.h"
#include "wallpaper/backends/x11_outputs.h"

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QSettings>
#include <chrono>
#include <cstdio>
#include <thread>

namespace wallcycle {
namespace {

std::string xdg_folder(const char* variable, const char* fallback) {
    std::string folder = environment_value(variable);
    if (folder.empty() || folder.front() != '/') // relative values are ignored, as XDG says
        folder = environment_value("HOME") + fallback;
    return folder;
}

constexpr const char* shown_mode = "stretch";

// Waits (briefly) for pcmanfm-qt to store the new path in its profile, then stores the mode beside it.
Status store_mode(const std::string& picture) {
    QDir profiles(QString::fromStdString(xdg_folder("XDG_CONFIG_HOME", "/.config") + "/pcmanfm-qt"));
    QString wanted = QString::fromStdString(picture);
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (const QString& profile : profiles.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QSettings settings(profiles.filePath(profile + QStringLiteral("/settings.conf")),
                               QSettings::IniFormat);
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

class LxqtBackend : public WallpaperBackend {
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
    Status apply(const std::string& image_path) override;
};

Status LxqtBackend::apply(const std::string& image_path) {
    Size screen = largest_monitor_size();
    if (!screen.valid())
        return fail("no X display to measure for pcmanfm-qt");
    Result<Picture> covering = picture_for(image_path, screen);
    if (!covering)
        return fail(covering.reason());
    const Picture& picture = covering.value();
    QImage image(reinterpret_cast<const uchar*>(picture.row(0)), picture.width(), picture.height(),
                 picture.stride() * 4, QImage::Format_RGB32);

    std::string folder = xdg_folder("XDG_DATA_HOME", "/.local/share") + "/wallcycle";
    if (Status made = make_directories(folder); !made)
        return made;
    std::string first = folder + "/lxqt-wallpaper-1.png", second = folder + "/lxqt-wallpaper-2.png";
    bool use_second = file_exists(first);
    const std::string& target = use_second ? second : first;
    QImageWriter writer(QString::fromStdString(target), "png");
    writer.setCompression(1); // fast; the file is read once per login
    if (!writer.write(image))
        return fail("cannot write " + shown_path(target) + ": " + writer.errorString().toStdString());
    Status shown = run_program({"pcmanfm-qt", "--set-wallpaper", target, "--wallpaper-mode", shown_mode});
    if (shown)
        shown = store_mode(target);
    // The other file is the one pcmanfm-qt showed before (or no longer needed when it failed).
    std::remove((shown ? (use_second ? first : second) : target).c_str());
    return shown;
}

} // namespace
} // namespace wallcycle

extern "C" wallcycle::WallpaperBackend* wallcycle_make_lxqt_backend() {
    return new wallcycle::LxqtBackend();
}
