// LXQt: pcmanfm-qt draws the desktop and keeps the picture in its own settings.

#include "wallpaper/backends/desktop_backends.h"

#include "platform/child_process.h"
#include "platform/program_facts.h"
#include "wallpaper/image_decoder.h"

#include <QSettings>

namespace wallcycle {
namespace {

// The picture pcmanfm-qt's LXQt profile names now.
std::string current_picture() {
    std::string config = environment_value("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/')
        config = environment_value("HOME") + "/.config";
    QSettings settings(QString::fromStdString(config + "/pcmanfm-qt/lxqt/settings.conf"),
                       QSettings::IniFormat);
    return settings.value(QStringLiteral("Desktop/Wallpaper")).toString().toStdString();
}

class LxqtBackend : public WallpaperBackend {
public:
    const char* name() const override { return "lxqt"; }
    Status can_run() const override {
        if (find_on_path("pcmanfm-qt").empty())
            return fail("pcmanfm-qt is not installed");
        return {};
    }
    Status apply(const std::string& image_path) override {
        Result<std::string> usable = usable_image_path(image_path);
        if (!usable)
            return fail(usable.reason());
        // pcmanfm-qt repaints only when something changed: for the picture it already shows
        // (perhaps edited since), a passing change of the fill mode makes it reload the file.
        if (current_picture() == usable.value())
            if (Status passing = run_program({"pcmanfm-qt", "--wallpaper-mode", "stretch"}); !passing)
                return passing;
        return run_program({"pcmanfm-qt", "--set-wallpaper", usable.value(), "--wallpaper-mode", "zoom"});
    }
};

} // namespace

std::unique_ptr<WallpaperBackend> make_lxqt_backend() {
    return std::make_unique<LxqtBackend>();
}

} // namespace wallcycle
