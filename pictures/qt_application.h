#pragma once
// Qt's application object, for the parts of the program that use Qt without a window: drawing an
// SVG's text needs Qt's font database, which needs a GUI application; the session bus needs any.

#include <QCoreApplication>
#include <QGuiApplication>

namespace wallcycle {

// Made once, the first time a run needs it, and kept for the rest of the run (Qt keeps it as its
// instance). It draws off screen, so it needs no display; the window makes its own first.
inline void ensure_qt_application() {
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 3;
    static char name[] = "wallcycle", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    new QGuiApplication(argc, argv);
}

} // namespace wallcycle
