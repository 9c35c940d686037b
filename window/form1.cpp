#include "window/form1.h"

#include "platform/error_output.h"
#include "platform/random_fraction.h"
#include "settings/settings_file.h"
#include "wallpaper/random_pick.h"
#include "window/interval_stepping.h"
#include "window/list_commands.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>
#include <QUrl>

namespace wallcycle {
namespace {

QString text_of(const std::string& s) {
    return QString::fromStdString(s);
}
std::string text_of(const QString& s) {
    return s.toStdString();
}

QPushButton* make_button(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

QFont interval_font() {
    QFont font(Form1::interval_font_family());
    font.setPointSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

QString whole_folder_filter() {
    return QStringLiteral("%1 (*)").arg(text_of(std::string(whole_folder_filter_name)));
}

// The dialog's filters: the BMP filter the program always had, then every image format this
// build reads, then everything.
QStringList dialog_filters() {
    QStringList filters;
    for (const FileFilter& filter : parse_file_filters(add_dialog_filter)) {
        QStringList patterns;
        for (const auto& pattern : filter.patterns)
            patterns << text_of(pattern);
        filters << QStringLiteral("%1 (%2)").arg(text_of(filter.description), patterns.join(' '));
    }
    QStringList images;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        images << QStringLiteral("*.") + QString::fromLatin1(format);
    filters << QStringLiteral("%1 (%2)").arg(text_of(std::string(all_images_filter_name)), images.join(' '));
    filters << QStringLiteral("%1 (*)").arg(text_of(std::string(all_files_filter_name)));
    filters << whole_folder_filter();
    return filters;
}

} // namespace

QString Form1::interval_font_family() {
    return QStringLiteral("ＭＳ Ｐゴシック");
}

void Form1::install_font_substitutes() {
    // Proportional Japanese Gothic faces found on Linux desktops, nearest first.
    QFont::insertSubstitutions(interval_font_family(),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic"),
                                QStringLiteral("Noto Sans CJK JP")});
}

Form1::Form1(const Settings& settings, BackendList backends, SettingsLocator locate_settings,
             NumberFormat format, QWidget* parent)
    : QWidget(parent), backends_(std::move(backends)), locate_settings_(std::move(locate_settings)),
      number_format_(std::move(format)) {
    setWindowTitle(QStringLiteral("Form1"));
    resize(449, 213);
    create_controls(settings);
    wire_events();
}

void Form1::create_controls(const Settings& settings) {
    Command1 = make_button(this, "Command1", QStringLiteral("追加"), {360, 8, 81, 41});
    Command2 = make_button(this, "Command2", QStringLiteral("削除"), {360, 56, 81, 41});
    Command3 = make_button(this, "Command3", QStringLiteral("壁紙に設定"), {360, 104, 81, 41});

    entries_ = new QStringListModel(this);
    QStringList names;
    names.reserve(static_cast<qsizetype>(settings.entries.size()));
    for (const auto& entry : settings.entries)
        names.append(text_of(entry));
    entries_->setStringList(names);
    List1 = new QListView(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setModel(entries_);
    List1->setUniformItemSizes(true); // long lists open and scroll without measuring every row
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setAcceptDrops(true);
    List1->viewport()->setAcceptDrops(true);
    List1->viewport()->installEventFilter(this);
    List1->setGeometry(16, 8, 337, 160);

    Text1 = new QLineEdit(text_of(settings.interval_text), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setEnabled(false); // changed only by the step buttons and by loading
    Text1->setFont(interval_font());
    Text1->setGeometry(192, 176, 41, 25);

    Label1 = new QLabel(QStringLiteral("タイマー間隔"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(interval_font());
    Label1->setGeometry(112, 184, 73, 17);

    Command4 = make_button(this, "Command4", QStringLiteral("↑"), {232, 176, 25, 15});
    Command5 = make_button(this, "Command5", QStringLiteral("↓"), {232, 192, 25, 15});
    for (QPushButton* step : {Command4, Command5}) {
        step->setAutoRepeat(true); // held down, it keeps stepping like a spin box
        step->setAutoRepeatDelay(400);
        step->setAutoRepeatInterval(80);
    }

    Label2 = new QLabel(QStringLiteral("秒"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(interval_font());
    Label2->setGeometry(272, 184, 25, 17);

    Command6 = make_button(this, "Command6", QStringLiteral("設定の保存"), {360, 160, 81, 41});

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    // The focus cycle: the buttons and the list; the disabled interval and the labels are skipped.
    QWidget* order[] = {Command1, Command2, Command3, List1, Command4, Command5, Command6};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    Command1->setFocus();
}

void Form1::wire_events() {
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(List1, &QListView::doubleClicked, this, &Form1::List1_DblClick);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

void Form1::ArmRotation(int period_ms) {
    if (period_ms > 0)
        Timer1->start(period_ms);
}

void Form1::set_loaded_file(RecordsAsRead as_read, std::string unreadable_reason) {
    as_read_ = std::move(as_read);
    save_guard_ = SaveGuard(std::move(unreadable_reason));
    if (save_guard_.must_ask())
        show_notice(save_guard_.notice());
}

Settings Form1::settings() const {
    Settings out;
    out.interval_text = text_of(Text1->text());
    const QStringList names = entries_->stringList();
    out.entries.reserve(static_cast<std::size_t>(names.size()));
    for (const QString& entry : names)
        out.entries.push_back(text_of(entry));
    return out;
}

int Form1::selected_index() const {
    const QModelIndexList selected = List1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void Form1::append_entries(const QStringList& paths) {
    if (paths.isEmpty())
        return;
    int first = entries_->rowCount();
    entries_->insertRows(first, static_cast<int>(paths.size()));
    for (int i = 0; i < paths.size(); ++i)
        entries_->setData(entries_->index(first + i), paths[i]);
}

void Form1::Command1_Click() {
    if (CommonDialog1 == nullptr) {
        CommonDialog1 = new QFileDialog(this);
        CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
        CommonDialog1->setFileMode(QFileDialog::ExistingFiles);
        CommonDialog1->setNameFilters(dialog_filters());
    }
    // Cancelling adds nothing; the dialog keeps its folder and filter for the next add.
    if (CommonDialog1->exec() != QDialog::Accepted)
        return;
    std::vector<std::string> chosen;
    for (const QString& file : CommonDialog1->selectedFiles())
        chosen.push_back(text_of(file));
    QStringList added;
    for (const std::string& entry :
         entries_to_add(chosen, CommonDialog1->selectedNameFilter() == whole_folder_filter(), "/"))
        added << text_of(entry);
    append_entries(added);
}

void Form1::Command2_Click() {
    int index = selected_index();
    if (index < 0)
        return;
    entries_->removeRows(index, 1);
    if (auto next = selection_after_removal(static_cast<std::size_t>(entries_->rowCount()),
                                            static_cast<std::size_t>(index)))
        List1->setCurrentIndex(entries_->index(static_cast<int>(*next)));
}

void Form1::Command3_Click() {
    int index = selected_index();
    if (index < 0)
        return;
    report(apply_entry(text_of(entries_->index(index).data().toString()), backends_));
}

void Form1::List1_DblClick() {
    Command3_Click();
}

void Form1::Command4_Click() {
    if (auto text = stepped_up(text_of(Text1->text()), number_format_))
        Text1->setText(text_of(*text));
}

void Form1::Command5_Click() {
    if (auto text = stepped_down(text_of(Text1->text()), number_format_))
        Text1->setText(text_of(*text));
}

void Form1::Command6_Click() {
    if (save_guard_.must_ask() &&
        QMessageBox::question(this, QStringLiteral("wallcycle"), text_of(save_guard_.question()),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    Status saved = SaveSettings(locate_settings_(), settings(), as_read_);
    if (!saved) {
        show_notice(saved.reason());
        return;
    }
    save_guard_.saved();
}

void Form1::Timer1_Timer() {
    if (entries_->rowCount() == 0) {
        report_line("Wallpaper not changed: the image list is empty");
        return;
    }
    report(apply_random_entry(settings().entries, backends_));
}

void Form1::report(PickOutcome outcome) {
    CurrentWallpaper = std::move(outcome.path);
    if (outcome.status)
        return;
    report_line(outcome.status.reason());
    show_notice(outcome.status.reason());
}

// One message box, reused: a failing rotation must not pile up a box per tick.
void Form1::show_notice(const std::string& text) {
    if (notice_ == nullptr) {
        notice_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("wallcycle"), QString(),
                                  QMessageBox::Ok, this);
        notice_->setObjectName(QStringLiteral("notice"));
    }
    notice_->setText(text_of(text));
    notice_->open();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched != List1->viewport())
        return QWidget::eventFilter(watched, event);
    auto local_files = [](const QMimeData* data) {
        QStringList paths;
        if (data != nullptr)
            for (const QUrl& url : data->urls())
                if (url.isLocalFile())
                    paths << url.toLocalFile();
        return paths;
    };
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (local_files(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        QStringList paths = local_files(drop->mimeData());
        if (paths.isEmpty())
            return false;
        append_entries(paths);
        drop->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

} // namespace wallcycle
