#include "app/run_window.h"

#include "wallcycle_version.h"
#include "window/form1.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace wallcycle {

int run_window(int argc, char** argv, WindowStart start) {
    QApplication application(argc, argv);
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
    form.show();
    return application.exec();
}

} // namespace wallcycle
