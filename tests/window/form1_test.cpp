// The Qt window over the model, driven by QTest on the offscreen platform: its controls as the
// layout table places them, focus, the real file dialog, drops, the notice, the question, and
// pictures set on a private Xvfb. What the commands decide is tested on the model itself.

#include "settings/settings_file.h"
#include "tests/support/images.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb.h"
#include "wallpaper/backends/x11_root.h"
#include "window/form1.h"
#include "window/form1_layout.h"

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
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <memory>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, blue = 0x1144ee;

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

    std::unique_ptr<Xvfb> server_;
    std::unique_ptr<TempDir> dir_;

    std::unique_ptr<Form1> make_form(Settings settings = {"0", {}}, int rotation_ms = 0,
                                     std::string unreadable = {}) {
        StartupPlan plan;
        plan.settings = std::move(settings);
        plan.rotation_ms = rotation_ms;
        plan.unreadable_settings = std::move(unreadable);
        BackendList backends;
        backends.push_back(std::make_unique<X11RootBackend>(server_->display()));
        auto form = std::make_unique<Form1>(plan, std::move(backends), dir_->file("k_save.dat"),
                                            NumberFormat{".", "-"});
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            qFatal("window not exposed");
        return form;
    }
    template <typename T> static T* child(QWidget* form, QString name) {
        T* found = form->findChild<T*>(name);
        if (found == nullptr)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    static QStringList entries(Form1* form) {
        QStringList out;
        for (const auto& e : form->model().entries())
            out << QString::fromStdString(e);
        return out;
    }
    static void select_row(Form1* form, int row) {
        auto* list = child<QListView>(form, "List1");
        list->setCurrentIndex(list->model()->index(row, 0));
    }
    // Answers the add dialog once it is open: picks the files with the filter, or cancels.
    static void answer_dialog(Form1* form, QStringList files, int filter = 0) {
        QTimer::singleShot(0, form, [form, files, filter] {
            auto* dialog = form->findChild<QFileDialog*>(QStringLiteral("CommonDialog1"));
            QVERIFY(dialog != nullptr && dialog->isVisible());
            dialog->selectNameFilter(dialog->nameFilters().at(filter));
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
    // Answers the question box, once it is open, with the given button.
    static void answer_question(Form1* form, QMessageBox::StandardButton button, bool* asked) {
        QTimer::singleShot(0, form, [button, asked] {
            auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (question == nullptr)
                return;
            *asked = true;
            QCOMPARE(question->defaultButton(), question->button(QMessageBox::No));
            question->button(button)->click();
        });
    }
    static void click(Form1* form, const char* button) {
        QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton);
    }
    static void drop(Form1* form, const QList<QUrl>& urls) {
        QWidget* viewport = child<QListView>(form, "List1")->viewport();
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent dropped(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &dropped);
    }

private slots:
    void initTestCase() {
        Form1::install_font_substitutes();
        server_ = std::make_unique<Xvfb>(320, 200);
    }
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }
    void cleanupTestCase() { server_.reset(); }

    // Every control where the layout table puts it, with its caption and face; Japanese captions
    // must have glyphs (boxes would pass every geometry check).
    void layout_and_faces() {
        auto form = make_form();
        QCOMPARE(form->windowTitle(), QStringLiteral("Form1"));
        QCOMPARE(form->size(), QSize(449, 213));
        for (const ControlPlace& place : form1_controls) {
            QString name = QString::fromUtf8(place.name.data(), static_cast<qsizetype>(place.name.size()));
            QString caption =
                QString::fromUtf8(place.caption.data(), static_cast<qsizetype>(place.caption.size()));
            QWidget* control = child<QWidget>(form.get(), name);
            QCOMPARE(control->geometry(), QRect(place.left, place.top, place.width, place.height));
            QCOMPARE(control->isEnabled(), place.kind != ControlKind::Text);
            if (auto* button = qobject_cast<QPushButton*>(control)) {
                QCOMPARE(button->text(), caption);
                QVERIFY(!button->isDefault() && !button->autoDefault());
            } else if (auto* label = qobject_cast<QLabel*>(control)) {
                QCOMPARE(label->text(), caption);
            }
            if (place.interval_font) {
                QCOMPARE(control->font().pointSize(), 12);
                QCOMPARE(QFontInfo(control->font()).family(), QStringLiteral("IPAPGothic"));
            }
        }
        QFontMetrics interval(child<QLabel>(form.get(), "Label1")->font());
        for (char32_t c : U"タイマー間隔秒0123456789")
            if (c != 0)
                QVERIFY2(interval.inFontUcs4(c), "the interval font lacks a glyph");
        QVERIFY(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty()); // the buttons' fallback
        form->resize(900, 600);                                               // resizing moves nothing
        QTest::qWait(10);
        QCOMPARE(child<QWidget>(form.get(), "Command6")->geometry(), QRect(360, 160, 81, 41));
    }

    void focus_starts_on_add_and_tab_cycles() {
        auto form = make_form({"0", {"/a.bmp"}});
        QApplication::setActiveWindow(form.get());
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
        for (const char* next :
             {"Command2", "Command3", "List1", "Command4", "Command5", "Command6", "Command1"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command6"));
    }

    // The real file dialog: files, several at once, cancel, and the folder filter; drops.
    void adding_through_the_dialog_and_by_dropping() {
        write_solid_image(dir_->file("a.bmp"), red);
        write_solid_image(dir_->file("b.bmp"), blue);
        write_solid_image(dir_->file("c.png"), blue);
        QString a = QString::fromStdString(dir_->file("a.bmp")),
                b = QString::fromStdString(dir_->file("b.bmp"));
        QString c = QString::fromStdString(dir_->file("c.png")),
                folder = QString::fromStdString(dir_->path());
        auto form = make_form({"0", {"/first.bmp"}});
        struct Step {
            QStringList chosen;
            int filter; // 0 BMP, 1 all images, 2 all files, 3 the folder of the chosen file
            QStringList expected;
        } steps[] = {
            {{a}, 0, {"/first.bmp", a}},
            {{}, 0, {"/first.bmp", a}},                      // cancel adds nothing
            {{b, a}, 0, {"/first.bmp", a, a, b}},            // several at once, in the dialog's order
            {{c}, 1, {"/first.bmp", a, a, b, c}},            // not only BMP
            {{b, a}, 3, {"/first.bmp", a, a, b, c, folder}}, // their folder, once
        };
        for (const auto& step : steps) {
            answer_dialog(form.get(), step.chosen, step.filter);
            click(form.get(), "Command1");
            QCOMPARE(entries(form.get()), step.expected);
            QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("Command1"));
        }
        auto* dialog = form->findChild<QFileDialog*>(QStringLiteral("CommonDialog1"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("画像の追加"));
        QCOMPARE(dialog->nameFilters().first(), QStringLiteral("*.bmp (*.bmp)"));
        QVERIFY(dialog->nameFilters().at(1).startsWith(QStringLiteral("すべての画像 (")));
        QVERIFY(dialog->nameFilters().at(1).contains(QStringLiteral("*.jpg")));
        QCOMPARE(dialog->nameFilters().at(2), QStringLiteral("すべてのファイル (*)"));
        QCOMPARE(dialog->nameFilters().at(3), QStringLiteral("選んだファイルのフォルダーごと追加 (*)"));

        drop(form.get(), {QUrl::fromLocalFile("/pics/one.jpg"), QUrl::fromLocalFile(folder)});
        QCOMPARE(entries(form.get()).mid(6), (QStringList{"/pics/one.jpg", folder}));
    }

    // Against a private X server's root: an entry, a double-click, a folder entry, a failure (one
    // non-modal notice, reused), then the rotation's ticks.
    void setting_and_rotating() {
        write_solid_image(dir_->file("red.png"), red);
        write_solid_image(dir_->file("blue.png"), blue);
        std::string album = dir_->file("album");
        std::filesystem::create_directory(album);
        write_solid_image(album + "/red.png", red);
        auto form =
            make_form({"0", {dir_->file("red.png"), dir_->file("blue.png"), dir_->file("gone.png"), album}});
        const std::string& display = server_->display();
        select_row(form.get(), 0);
        click(form.get(), "Command3");
        QVERIFY(colours_near(root_pixel(display, 3, 3), red));

        auto* list = child<QListView>(form.get(), "List1");
        QTest::mouseDClick(
            form->windowHandle(), Qt::LeftButton, {},
            list->viewport()->mapTo(form.get(), list->visualRect(list->model()->index(1, 0)).center()));
        QVERIFY(colours_near(root_pixel(display, 3, 3), blue));

        for (int twice = 0; twice < 2; ++twice) {
            select_row(form.get(), 2);
            click(form.get(), "Command3");
        }
        QVERIFY(colours_near(root_pixel(display, 3, 3), blue));
        QCOMPARE(form->findChildren<QMessageBox*>().size(), 1);
        QVERIFY(form->notice()->isVisible() && !form->notice()->isModal());
        QVERIFY(form->notice()->text().startsWith(QStringLiteral("壁紙を変更できませんでした。")));
        QVERIFY(form->notice()->text().contains(QString::fromStdString(dir_->file("gone.png"))));
        form->notice()->close();

        select_row(form.get(), 3);
        click(form.get(), "Command3");
        QVERIFY(colours_near(root_pixel(display, 3, 3), red));
        QCOMPARE(form->model().current_wallpaper(), album + "/red.png");

        QVERIFY(X11RootBackend(display).apply(dir_->file("blue.png")).ok());
        auto rotating = make_form({"0.1", {dir_->file("red.png")}}, 100);
        QTRY_VERIFY_WITH_TIMEOUT(colours_near(root_pixel(display, 3, 3), red), 3000);
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

    // A settings file that could not be read: said when the window opens, and the save asks
    // first ("No" the default, and it saves nothing).
    void an_unreadable_settings_file_is_replaced_only_when_the_user_agrees() {
        std::string path = dir_->file("k_save.dat");
        write_file(path, "theirs");
        auto form = make_form({"0", {}}, 0, "cannot read k_save.dat: the file is larger than 256 MiB");
        QVERIFY(form->notice() != nullptr && form->notice()->isVisible());
        QVERIFY(form->notice()->informativeText().contains(QStringLiteral("256 MiB")));
        form->notice()->close();
        for (auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            bool asked = false;
            answer_question(form.get(), answer, &asked);
            click(form.get(), "Command6");
            QVERIFY(asked);
            QCOMPARE(read_file(path), std::string(answer == QMessageBox::Yes ? "\"0\"\r\n" : "theirs"));
        }
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
