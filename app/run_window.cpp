#include "app/run_window.h"

#include "platform/error_output.h"
#include "startup/exit_codes.h"
#include "wallcycle_version.h"
#include "window/form1.h"
#include "window/rotation_service_linux.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

namespace wallcycle {
namespace {

// Qt ends the program by abort() when it finds no display it can use (none set, one that is gone,
// a platform plugin missing): said instead, with Qt's reason, and the window's failure code.
void no_display(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        report_line("the window cannot be opened: Qt found no display to show it on (" +
                    message.simplified().toStdString() + ")");
        std::_Exit(exit_code::no_window);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int run_window(int argc, char** argv, WindowStart start) {
    QtMessageHandler others = qInstallMessageHandler(no_display);
    // The arguments are the program's own: Qt is given only its name, so that none is taken for one
    // of Qt's switches (-platform, -display, -reverse …).
    int qt_argc = 1;
    char fallback_name[] = "wallcycle";
    char* qt_argv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallback_name, nullptr};
    QApplication application(qt_argc, qt_argv);
    qInstallMessageHandler(others);
    QApplication::setApplicationName(QStringLiteral("wallcycle"));
    QApplication::setApplicationVersion(QStringLiteral(WALLCYCLE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(WALLCYCLE_APP_ID)); // the menu entry's icon and name
    // The window speaks Japanese: so do Qt's own dialog texts (buttons, the file dialog).
    QTranslator qt_texts;
    if (qt_texts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qt_texts);
    Form1::install_font_substitutes();
    Form1 form(start.plan, std::move(start.backends), std::move(start.settings_file),
               std::move(start.number_format));
    // "/s" is the session's one rotation: a second one shows the first one's window and ends.
    RotationClaim rotation;
    if (start.plan.session_rotation) {
        rotation = RotationClaim::make({[&] { form.bring_to_front(); }, [&] { form.next_picture(); },
                                        [&] { form.pause_rotation(); }, [&] { form.resume_rotation(); }});
        if (rotation.outcome == RotationClaim::Outcome::another_runs) {
            report_line("a rotation already runs in this session; its window was brought to the front");
            return exit_code::ok;
        }
    }
    form.show();
    return application.exec();
}

} // namespace wallcycle
