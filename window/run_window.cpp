#include "window/run_window.h"

#include "wallpaper/backend_loader.h"
#include "window/form1.h"

#include <QApplication>

namespace wallcycle {

int run_window(int argc, char** argv, const StartupPlan& plan) {
    QApplication application(argc, argv);
    Form1 form(plan.settings, desktop_backends());
    form.arm_rotation(plan.rotation_ms);
    form.show();
    return application.exec();
}

} // namespace wallcycle
