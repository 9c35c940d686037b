#pragma once
// Qt's application object, for the parts of the program that use Qt without a window: drawing an
// SVG's text needs Qt's font database, which needs a GUI application; the session bus needs any.

#include <QCoreApplication>
#include <QGuiApplication>
#include <clocale>
#include <langinfo.h>
#include <string>

namespace wallcycle {

// Made once, the first time a run needs it, and kept for the rest of the run (Qt keeps it as its
// instance). It draws off screen, so it needs no display; the window makes its own first.
inline void ensure_qt_application() {
    if (QCoreApplication::instance() != nullptr)
        return;
    static int argc = 3;
    static char name[] = "wallcycle", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Qt switches a character set that is not UTF-8 to C.UTF-8 as it starts. Made here first, for
    // the whole locale: Qt's own switch, in a run where GLib's threads already run (a GSettings
    // desktop), left the leak checker of the sanitizer build crashing in its thread scan.
    if (std::string(nl_langinfo(CODESET)) != "UTF-8")
        setlocale(LC_ALL, "C.UTF-8");
    new QGuiApplication(argc, argv);
}

} // namespace wallcycle
