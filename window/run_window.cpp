#include "window/run_window.h"

#include "platform/number_text.h"
#include "settings/settings_location.h"
#include "wallcycle_version.h"
#include "wallpaper/backend_loader.h"
#include "window/form1.h"

#include <QApplication>

namespace wallcycle {

int run_window(int argc, char** argv, const StartupPlan& plan) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("wallcycle"));
    QApplication::setApplicationVersion(QStringLiteral(WALLCYCLE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(WALLCYCLE_APP_ID)); // the menu entry's icon and name
    Form1::install_font_substitutes();
    Form1 form(plan.settings, desktop_backends(), settings_path, current_number_format());
    form.ArmRotation(plan.rotation_ms);
    form.show();
    form.set_loaded_file(plan.as_read, plan.unreadable_settings);
    return application.exec();
}

} // namespace wallcycle
