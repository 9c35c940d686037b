// The real window, driven by QTest (offscreen platform); wallpapers go to a private Xvfb.

#include "settings/settings_file.h"
#include "startup/startup_plan.h"
#include "tests/support/images.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb.h"
#include "wallpaper/backends/x11_root.h"
#include "window/form1.h"

#include <QApplication>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;
const NumberFormat dot{".", "-"};

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<Xvfb> server_;
    std::unique_ptr<TempDir> dir_;

    std::unique_ptr<Form1> make_form(Settings settings = {"0", {}}, NumberFormat format = dot) {
        BackendList backends;
        backends.push_back(std::make_unique<X11RootBackend>(server_->display()));
        std::string path = dir_->file("k_save.dat");
        auto form = std::make_unique<Form1>(
            settings, std::move(backends), [path] { return path; }, format);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("window not exposed");
        return form;
    }
    template <typename T> static T* child(QWidget* form, const char* name) {
        T* found = form->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr)
            qFatal("no control %s", name);
        return found;
    }
    static QStringList entries(Form1* form) {
        QStringList out;
        for (const auto& e : form->settings().entries)
            out << QString::fromStdString(e);
        return out;
    }
    static void select_row(Form1* form, int row) {
        auto* list = child<QListView>(form, "List1");
        list->setCurrentIndex(list->model()->index(row, 0));
    }
    // Answers the add dialog once it is open: picks the given files, or cancels when there are none.
    static void answer_dialog(Form1* form, QStringList files, QString filter = {}) {
        QTimer::singleShot(0, form, [form, files, filter] {
            auto* dialog = form->findChild<QFileDialog*>(QStringLiteral("CommonDialog1"));
            QVERIFY(dialog != nullptr && dialog->isVisible());
            dialog->selectNameFilter(filter.isEmpty() ? dialog->nameFilters().first() : filter);
            if (files.isEmpty()) {
                dialog->reject();
                return;
            }
            // Typed into the dialog's own name field, as a user picks several: "b.bmp" "a.bmp".
            QStringList quoted;
            for (const QString& f : files)
                quoted << '"' + QFileInfo(f).fileName() + '"';
            dialog->setDirectory(QFileInfo(files.first()).absolutePath());
            auto* name_field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name_field != nullptr);
            name_field->setText(files.size() == 1 ? QFileInfo(files.first()).fileName() : quoted.join(' '));
            static_cast<QDialog*>(dialog)->accept();
        });
    }
    void click(Form1* form, const char* button) {
        QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        Form1::install_font_substitutes();
        server_ = std::make_unique<Xvfb>(320, 200);
    }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }
    void cleanupTestCase() { server_.reset(); }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("interval_font");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("Command1") << "Command1" << QRect(360, 8, 81, 41) << "追加" << false << true;
        QTest::newRow("Command2") << "Command2" << QRect(360, 56, 81, 41) << "削除" << false << true;
        QTest::newRow("Command3") << "Command3" << QRect(360, 104, 81, 41) << "壁紙に設定" << false << true;
        QTest::newRow("List1") << "List1" << QRect(16, 8, 337, 160) << "" << false << true;
        QTest::newRow("Text1") << "Text1" << QRect(192, 176, 41, 25) << "0" << true << false;
        QTest::newRow("Label1") << "Label1" << QRect(112, 184, 73, 17) << "タイマー間隔" << true << true;
        QTest::newRow("Command4") << "Command4" << QRect(232, 176, 25, 15) << "↑" << false << true;
        QTest::newRow("Command5") << "Command5" << QRect(232, 192, 25, 15) << "↓" << false << true;
        QTest::newRow("Label2") << "Label2" << QRect(272, 184, 25, 17) << "秒" << true << true;
        QTest::newRow("Command6") << "Command6" << QRect(360, 160, 81, 41) << "設定の保存" << false << true;
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(bool, interval_font);
        QFETCH(bool, enabled);
        auto form = make_form();
        QCOMPARE(form->windowTitle(), QStringLiteral("Form1"));
        QCOMPARE(form->size(), QSize(449, 213));
        QWidget* control = child<QWidget>(form.get(), name.toLatin1().constData());
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->isEnabled(), enabled);
        if (auto* button = qobject_cast<QPushButton*>(control)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(!button->isDefault());
            QVERIFY(!button->autoDefault());
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            QCOMPARE(label->text(), caption);
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            QCOMPARE(edit->text(), caption);
        }
        if (interval_font) {
            QCOMPARE(control->font().family(), Form1::interval_font_family());
            QCOMPARE(control->font().pointSize(), 12);
            QCOMPARE(control->font().weight(), QFont::Normal);
            QCOMPARE(QFontInfo(control->font()).family(), QStringLiteral("IPAPGothic"));
        }
    }

    // Boxes instead of Japanese letters would pass every geometry check; the fonts must hold them.
    void japanese_captions_have_glyphs() {
        auto form = make_form();
        QFontMetrics interval(child<QLabel>(form.get(), "Label1")->font());
        for (char32_t c : U"タイマー間隔秒0123456789")
            if (c != 0)
                QVERIFY2(interval.inFontUcs4(c), "the interval font lacks a glyph");
        QVERIFY(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
        QFontMetrics buttons(child<QPushButton>(form.get(), "Command3")->font());
        for (char32_t c : U"追加削除壁紙に設定の保存")
            if (c != 0 && !buttons.inFontUcs4(c))
                QVERIFY2(QFontDatabase::families(QFontDatabase::Japanese).size() > 0, "no fallback face");
    }

    void focus_starts_on_add_and_tab_cycles() {
        auto form = make_form({"0", {"/a.bmp"}});
        QApplication::setActiveWindow(form.get());
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
        const QStringList cycle{"Command2", "Command3", "List1",   "Command4",
                                "Command5", "Command6", "Command1"};
        for (const QString& next : cycle) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command6"));
    }

    void resizing_moves_nothing() {
        auto form = make_form();
        form->resize(900, 600);
        QTest::qWait(10);
        QCOMPARE(child<QWidget>(form.get(), "Command6")->geometry(), QRect(360, 160, 81, 41));
        QCOMPARE(child<QWidget>(form.get(), "List1")->geometry(), QRect(16, 8, 337, 160));
    }

    void add_through_the_dialog() {
        write_solid_image(dir_->file("a.bmp"), red);
        write_solid_image(dir_->file("b.bmp"), blue);
        write_solid_image(dir_->file("c.png"), blue);
        QString a = QString::fromStdString(dir_->file("a.bmp"));
        QString b = QString::fromStdString(dir_->file("b.bmp"));
        QString c = QString::fromStdString(dir_->file("c.png"));
        auto form = make_form({"0", {"/first.bmp"}});
        QString folder = QString::fromStdString(dir_->path());
        const QString whole_folder = QStringLiteral("選んだファイルのフォルダーごと追加 (*)");
        struct Step {
            QStringList chosen;
            QStringList expected;
            QString filter;
        } steps[] = {
            {{a}, {"/first.bmp", a}, {}},
            {{a}, {"/first.bmp", a, a}, {}},          // the same file twice
            {{}, {"/first.bmp", a, a}, {}},           // cancel adds nothing
            {{b, a}, {"/first.bmp", a, a, a, b}, {}}, // several at once, in the dialog's order
            {{c}, {"/first.bmp", a, a, a, b, c}, QStringLiteral("すべての画像")}, // not only BMP
            {{b, a}, {"/first.bmp", a, a, a, b, c, folder}, whole_folder},        // their folder, once
        };
        for (const auto& step : steps) {
            QString filter = step.filter;
            if (filter == QStringLiteral("すべての画像"))
                filter = form->findChild<QFileDialog*>(QStringLiteral("CommonDialog1"))->nameFilters().at(1);
            answer_dialog(form.get(), step.chosen, filter);
            click(form.get(), "Command1");
            QCOMPARE(entries(form.get()), step.expected);
        }
        auto* dialog = form->findChild<QFileDialog*>(QStringLiteral("CommonDialog1"));
        QCOMPARE(dialog->nameFilters().first(), QStringLiteral("*.bmp (*.bmp)"));
        QVERIFY(dialog->nameFilters().at(1).contains(QStringLiteral("*.png")));
        QVERIFY(dialog->nameFilters().at(1).contains(QStringLiteral("*.jpg")));
        QVERIFY(dialog->nameFilters().at(1).startsWith(QStringLiteral("すべての画像 (")));
        QCOMPARE(dialog->nameFilters().at(2), QStringLiteral("すべてのファイル (*)"));
        QCOMPARE(dialog->nameFilters().last(), whole_folder);
    }

    void delete_entries_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("selected_after");
        QTest::newRow("nothing selected") << QStringList{"a", "b"} << -1 << QStringList{"a", "b"} << -1;
        QTest::newRow("first") << QStringList{"a", "b", "c"} << 0 << QStringList{"b", "c"} << 0;
        QTest::newRow("middle") << QStringList{"a", "b", "c"} << 1 << QStringList{"a", "c"} << 1;
        QTest::newRow("last") << QStringList{"a", "b", "c"} << 2 << QStringList{"a", "b"} << 1;
        QTest::newRow("only") << QStringList{"a"} << 0 << QStringList{} << -1;
        QTest::newRow("duplicate") << QStringList{"a", "a", "b"} << 1 << QStringList{"a", "b"} << 1;
    }
    void delete_entries() {
        QFETCH(QStringList, before);
        QFETCH(int, selected);
        QFETCH(QStringList, after);
        QFETCH(int, selected_after);
        Settings settings{"0", {}};
        for (const QString& e : before)
            settings.entries.push_back(e.toStdString());
        auto form = make_form(settings);
        if (selected >= 0)
            select_row(form.get(), selected);
        click(form.get(), "Command2");
        QCOMPARE(entries(form.get()), after);
        auto* list = child<QListView>(form.get(), "List1");
        QModelIndexList chosen = list->selectionModel()->selectedIndexes();
        QCOMPARE(chosen.isEmpty() ? -1 : chosen.first().row(), selected_after);
    }

    void set_as_wallpaper() {
        write_solid_image(dir_->file("red.png"), red);
        write_solid_image(dir_->file("blue.png"), blue);
        auto form = make_form({"0", {dir_->file("red.png"), dir_->file("blue.png"), dir_->file("gone.png")}});
        const std::string& display = server_->display();

        select_row(form.get(), 0);
        click(form.get(), "Command3");
        QVERIFY(colours_near(root_pixel(display, 3, 3), red));
        QCOMPARE(form->current_wallpaper(), dir_->file("red.png"));

        auto* list = child<QListView>(form.get(), "List1");
        QRect second = list->visualRect(list->model()->index(1, 0));
        QSignalSpy double_clicks(list, &QListView::doubleClicked);
        QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {},
                           list->viewport()->mapTo(form.get(), second.center()));
        QCOMPARE(double_clicks.count(), 1);
        QVERIFY(colours_near(root_pixel(display, 3, 3), blue));

        // An entry that cannot be shown: the wallpaper stays, the window says why.
        select_row(form.get(), 2);
        click(form.get(), "Command3");
        QVERIFY(colours_near(root_pixel(display, 3, 3), blue));
        QVERIFY(form->notice() != nullptr && form->notice()->isVisible());
        QVERIFY(form->notice()->text().contains(QString::fromStdString(dir_->file("gone.png"))));

        // A folder entry: one of its pictures.
        form->notice()->close();
        std::string album = dir_->file("album");
        std::filesystem::create_directory(album);
        write_solid_image(album + "/red.png", red);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(album))}); // dropped, as a file manager does
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list->viewport(), &enter);
        QDropEvent drop(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list->viewport(), &drop);
        QCOMPARE(entries(form.get()).last(), QString::fromStdString(album));
        select_row(form.get(), 3);
        click(form.get(), "Command3");
        QVERIFY2(colours_near(root_pixel(display, 3, 3), red),
                 form->notice()->isVisible() ? qPrintable(form->notice()->text()) : "no notice");
        QCOMPARE(form->current_wallpaper(), album + "/red.png");

        // Nothing selected: nothing happens.
        list->selectionModel()->clearSelection();
        click(form.get(), "Command3");
        QVERIFY(!form->notice()->isVisible());
        QVERIFY(colours_near(root_pixel(display, 3, 3), red));
    }

    void stepping_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("after");
        QTest::newRow("0 up") << "0"
                              << "Command4"
                              << "."
                              << "1";
        QTest::newRow("0 down stays") << "0"
                                      << "Command5"
                                      << "."
                                      << "0";
        QTest::newRow("3 down") << "3"
                                << "Command5"
                                << "."
                                << "2";
        QTest::newRow("1 down") << "1"
                                << "Command5"
                                << "."
                                << "0";
        QTest::newRow("2.5 down") << "2.5"
                                  << "Command5"
                                  << "."
                                  << "1.5";
        QTest::newRow("0.5 down") << "0.5"
                                  << "Command5"
                                  << "."
                                  << "-0.5";
        QTest::newRow("1.1 down") << "1.1"
                                  << "Command5"
                                  << "."
                                  << "0.1";
        QTest::newRow("-0.5 down stays") << "-0.5"
                                         << "Command5"
                                         << "."
                                         << "-0.5";
        QTest::newRow("abc up stays") << "abc"
                                      << "Command4"
                                      << "."
                                      << "abc";
        QTest::newRow("empty down stays") << ""
                                          << "Command5"
                                          << "."
                                          << "";
        QTest::newRow("comma 1,1 down") << "1,1"
                                        << "Command5"
                                        << ","
                                        << "0,1";
        QTest::newRow("comma 0,5 down") << "0,5"
                                        << "Command5"
                                        << ","
                                        << "-0,5";
        QTest::newRow("comma reads dot") << "2.5"
                                         << "Command4"
                                         << ","
                                         << "3,5";
        QTest::newRow("large up") << "999999999999999"
                                  << "Command4"
                                  << "."
                                  << "1E+15";
    }
    void stepping() {
        QFETCH(QString, before);
        QFETCH(QString, button);
        QFETCH(QString, decimal);
        QFETCH(QString, after);
        auto form = make_form({before.toStdString(), {}}, NumberFormat{decimal.toStdString(), "-"});
        click(form.get(), button.toLatin1().constData());
        QCOMPARE(child<QLineEdit>(form.get(), "Text1")->text(), after);
    }

    void holding_a_step_button_repeats() {
        auto form = make_form({"0", {}});
        auto* up = child<QPushButton>(form.get(), "Command4");
        QTest::mousePress(up, Qt::LeftButton);
        QTest::qWait(900);
        QTest::mouseRelease(up, Qt::LeftButton);
        QVERIFY2(child<QLineEdit>(form.get(), "Text1")->text().toInt() > 2,
                 qPrintable(child<QLineEdit>(form.get(), "Text1")->text()));
    }

    void save_writes_the_file() {
        auto form = make_form({"9", {"/a.bmp", "", "/a.bmp", "/壁紙/桜,夜.bmp"}});
        click(form.get(), "Command4");
        click(form.get(), "Command6");
        QCOMPARE(read_file(dir_->file("k_save.dat")),
                 std::string("\"10\"\r\n\"/a.bmp\"\r\n\"\"\r\n\"/a.bmp\"\r\n\"/壁紙/桜,夜.bmp\"\r\n"));
        QVERIFY(form->notice() == nullptr || !form->notice()->isVisible());
    }

    void failed_save_says_why_and_keeps_the_old_file() {
        const std::string old_bytes = "\"5\"\r\n\"/old.bmp\"\r\n";
        write_file(dir_->file("k_save.dat"), old_bytes);
        auto form = make_form({"5", {"/old.bmp", "/say \"cheese\".bmp"}});
        click(form.get(), "Command6");
        QVERIFY(form->notice() != nullptr && form->notice()->isVisible());
        QVERIFY(form->notice()->text().contains(QStringLiteral("/say \"cheese\".bmp")));
        QCOMPARE(read_file(dir_->file("k_save.dat")), old_bytes);
    }

    // Root writes anywhere: the save runs with an ordinary user's rights in a folder it cannot write.
    void save_into_a_read_only_folder() {
        const std::string old_bytes = "\"5\"\r\n\"/old.bmp\"\r\n";
        write_file(dir_->file("k_save.dat"), old_bytes);
        chmod(dir_->path().c_str(), 0755);
        auto form = make_form({"6", {"/new.bmp"}});
        bool as_root = geteuid() == 0;
        if (as_root)
            QVERIFY(seteuid(65534) == 0);
        else
            chmod(dir_->path().c_str(), 0555);
        click(form.get(), "Command6");
        if (as_root)
            QVERIFY(seteuid(0) == 0);
        chmod(dir_->path().c_str(), 0755);
        QVERIFY(form->notice() != nullptr && form->notice()->isVisible());
        QVERIFY2(form->notice()->text().contains(QStringLiteral("Permission denied")),
                 qPrintable(form->notice()->text()));
        QCOMPARE(read_file(dir_->file("k_save.dat")), old_bytes);
    }

    // A settings file that is there but could not be read (here: larger than any list) is never
    // saved over unasked: the window says why at once, and the save asks, "No" being the default.
    void an_unreadable_settings_file_is_replaced_only_when_the_user_agrees() {
        std::string path = dir_->file("k_save.dat");
        write_file(path, "\"4\"\r\n\"/theirs.bmp\"\r\n");
        std::filesystem::resize_file(path, (std::uintmax_t{256} << 20) + 1); // sparse
        StartupPlan plan = Form_Load(LoadSettings(path), "", dot);
        auto form = make_form(plan.settings);
        form->set_loaded_file(plan.as_read, plan.unreadable_settings);
        QVERIFY(form->notice() != nullptr && form->notice()->isVisible());
        QVERIFY2(form->notice()->text().contains(QStringLiteral("larger than 256 MiB")),
                 qPrintable(form->notice()->text()));
        form->notice()->close();

        struct Answer {
            QMessageBox::StandardButton button;
            bool asked;
            bool replaced;
        } answers[] = {{QMessageBox::No, true, false},
                       {QMessageBox::Yes, true, true},
                       {QMessageBox::NoButton, false, true}};
        for (const Answer& answer : answers) {
            bool asked = false;
            QTimer::singleShot(0, form.get(), [&] {
                auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (question == nullptr)
                    return;
                asked = true;
                QVERIFY(question->text().contains(QStringLiteral("larger than 256 MiB")));
                QCOMPARE(question->defaultButton(), question->button(QMessageBox::No));
                question->button(answer.button)->click();
            });
            click(form.get(), "Command6");
            QCoreApplication::processEvents();
            QCOMPARE(asked, answer.asked);
            QCOMPARE(std::filesystem::file_size(path) == 5, answer.replaced); // "0" CR LF, quoted
        }
    }

    // Records in another encoding, or undecodable, are saved back as they were read.
    void untouched_records_are_saved_as_they_were_read() {
        std::string path = dir_->file("k_save.dat");
        const std::string cp932 = "\"C:\\\x8D\xF7.bmp\"\r\n", stray = "\"/caf\xE9.bmp\"\r\n";
        write_file(path, "\"3\"\r\n\"/gone.bmp\"\r\n" + cp932 + stray);
        StartupPlan plan = Form_Load(LoadSettings(path), "", dot);
        auto form = make_form(plan.settings);
        form->set_loaded_file(plan.as_read, plan.unreadable_settings);
        QVERIFY(form->notice() == nullptr);
        QCOMPARE(entries(form.get()).at(1), QStringLiteral("C:\\桜.bmp"));
        select_row(form.get(), 0);
        click(form.get(), "Command2");
        click(form.get(), "Command6");
        QCOMPARE(read_file(path), "\"3\"\r\n" + cp932 + stray);
    }

    void dropping_files_appends_them() {
        auto form = make_form({"0", {"/first.bmp"}});
        auto* viewport = child<QListView>(form.get(), "List1")->viewport();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile("/pics/one.jpg"), QUrl::fromLocalFile("/pics/two words.png")});
        QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        QCOMPARE(entries(form.get()), (QStringList{"/first.bmp", "/pics/one.jpg", "/pics/two words.png"}));
    }

    void rotation_ticks_change_the_wallpaper() {
        write_solid_image(dir_->file("red.png"), red);
        auto form = make_form({"0.1", {dir_->file("red.png")}});
        write_solid_image(dir_->file("blue.png"), blue);
        Status set = X11RootBackend(server_->display()).apply(dir_->file("blue.png"));
        QVERIFY(set.ok());
        form->ArmRotation(100);
        QTRY_VERIFY_WITH_TIMEOUT(colours_near(root_pixel(server_->display(), 3, 3), red), 3000);
        QCOMPARE(form->current_wallpaper(), dir_->file("red.png"));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
