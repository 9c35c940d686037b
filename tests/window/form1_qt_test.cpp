// The Qt window in this process, on a private X server: files dropped on the list (a name that is
// not UTF-8 among them) and the delete button. A real drag needs a source program, which xdotool
// cannot be, so the drop comes as the window system hands it to Qt; everything after is the window's.

#include "settings/settings_file.h"
#include "tests/support/files.h"
#include "tests/support/xvfb.h"
#include "window/form1.h"

#include <QApplication>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

TEST(Form1Qt, DroppedFilesAreAddedAndDeleteRemovesTheSelection) {
    Xvfb server(640, 480);
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int argc = 1;
    char name[] = "form1_qt_test";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    TempDir dir;
    const std::string plain = dir.file("sakura.png"), latin1 = dir.file("caf\xe9.png");
    write_file(plain, "");
    write_file(latin1, "");
    const std::string settings = dir.file("k_save.dat");
    Form1 form(StartupPlan{}, {}, settings, NumberFormat{".", "-"});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* list = form.findChild<QListView*>(QStringLiteral("List1"));
    ASSERT_NE(list, nullptr);

    // As a file manager writes the list: percent-encoded bytes, CR LF, and a link that is no file.
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 QByteArray::fromStdString("file://" + dir.path() + "/sakura.png\r\nfile://" + dir.path() +
                                           "/caf%E9.png\r\nhttps://example.org/x.png\r\n"));
    const QPoint inside = list->viewport()->rect().center();
    QDragEnterEvent enter(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &drop);
    ASSERT_EQ(list->model()->rowCount(), 2);

    // The first selected and deleted, then the list saved: the other one stays, byte for byte.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
    EXPECT_EQ(list->model()->rowCount(), 1);
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Command6")), Qt::LeftButton);
    EXPECT_EQ(LoadSettings(settings).settings.entries, std::vector<std::string>{latin1});
}

} // namespace
