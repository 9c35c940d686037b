#include "window/form1.h"

#include "pictures/picture_formats.h"
#include "platform/names_on_disk_linux.h"
#include "window/add_dialog.h"
#include "window/form1_layout.h"
#include "window/form1_messages.h"

#include <QAbstractListModel>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace wallcycle {

// The list box's rows are the model's entries, shown as they are, never copied.
class EntryList : public QAbstractListModel {
public:
    EntryList(const std::vector<std::string>& entries, QObject* parent)
        : QAbstractListModel(parent), entries_(entries) {}
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(entries_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount({}))
            return {};
        return QString::fromStdString(entries_[static_cast<std::size_t>(index.row())]);
    }
    // Around each change of the entries, as Qt's views need it.
    void begin_append(int count) { beginInsertRows({}, rowCount({}), rowCount({}) + count - 1); }
    void end_append() { endInsertRows(); }
    void begin_remove(int row) { beginRemoveRows({}, row, row); }
    void end_remove() { endRemoveRows(); }

private:
    const std::vector<std::string>& entries_;
};

namespace {

QString text_of(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QFont interval_font() {
    QFont font(text_of(interval_font_family));
    font.setPointSize(interval_font_points);
    font.setWeight(QFont::Normal);
    return font;
}

QString whole_folder_filter() {
    return QStringLiteral("%1 (*)").arg(text_of(whole_folder_filter_name));
}

// The dialog's filters: the BMP filter first, then every image format this
// program reads, then everything, then the folder of what is chosen.
QStringList dialog_filters() {
    QStringList filters;
    for (const FileFilter& filter : parse_file_filters(add_dialog_filter)) {
        QStringList patterns;
        for (const auto& pattern : filter.patterns)
            patterns << text_of(pattern);
        filters << QStringLiteral("%1 (%2)").arg(text_of(filter.description), patterns.join(' '));
    }
    filters << QStringLiteral("%1 (%2)").arg(text_of(all_images_filter_name),
                                             QString::fromStdString(picture_patterns(" ")));
    filters << QStringLiteral("%1 (*)").arg(text_of(all_files_filter_name));
    filters << whole_folder_filter();
    return filters;
}

void fill_box(QMessageBox& box, const Notice& notice) {
    box.setText(QString::fromStdString(notice.text));
    box.setInformativeText(text_of(form1_text::detail_caption) + QLatin1Char(' ') +
                           QString::fromStdString(notice.detail));
}

} // namespace

void Form1::install_font_substitutes() {
    // Proportional Japanese Gothic faces found on Linux desktops, nearest first.
    QFont::insertSubstitutions(text_of(interval_font_family),
                               {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic"),
                                QStringLiteral("Noto Sans CJK JP")});
}

Form1::Form1(const StartupPlan& plan, BackendList backends, std::string settings_file, NumberFormat format,
             QWidget* parent)
    : QWidget(parent), model_(plan, std::move(backends), std::move(settings_file), std::move(format)) {
    setWindowTitle(text_of(form1_title));
    resize(form1_client_width, form1_client_height);
    create_controls();
    wire_events();
    if (model_.rotation_ms() > 0)
        Timer1->start(model_.rotation_ms());
}

Form1::~Form1() = default;

void Form1::create_controls() {
    QWidget* focus_order[std::size(form1_controls)] = {};
    std::size_t focusable = 0;
    for (const ControlPlace& place : form1_controls) {
        QWidget* control = nullptr;
        switch (place.kind) {
        case ControlKind::Button: {
            auto* button = new QPushButton(text_of(place.caption), this);
            button->setAutoDefault(false);
            control = button;
            break;
        }
        case ControlKind::List:
            entries_ = new EntryList(model_.entries(), this);
            List1 = new QListView(this);
            List1->setModel(entries_);
            List1->setUniformItemSizes(true); // long lists open and scroll without measuring every row
            List1->setSelectionMode(QAbstractItemView::SingleSelection);
            List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
            List1->setAcceptDrops(true);
            List1->viewport()->setAcceptDrops(true);
            List1->viewport()->installEventFilter(this);
            control = List1;
            break;
        case ControlKind::Text:
            Text1 = new QLineEdit(QString::fromStdString(model_.interval_shown()), this);
            Text1->setEnabled(false); // changed only by the step buttons and by loading
            control = Text1;
            break;
        case ControlKind::Label:
            control = new QLabel(text_of(place.caption), this);
            break;
        }
        control->setObjectName(text_of(place.name));
        control->setGeometry(place.left, place.top, place.width, place.height);
        if (place.interval_font)
            control->setFont(interval_font());
        if (place.kind == ControlKind::Button || place.kind == ControlKind::List)
            focus_order[focusable++] = control;
    }
    for (std::size_t i = 0; i + 1 < focusable; ++i)
        setTabOrder(focus_order[i], focus_order[i + 1]);
    for (const char* step : {"Command4", "Command5"}) {
        QPushButton* repeating = button(step);
        repeating->setAutoRepeat(true); // held down, it keeps stepping like a spin box
        repeating->setAutoRepeatDelay(step_repeat_delay_ms);
        repeating->setAutoRepeatInterval(step_repeat_interval_ms);
    }
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    button("Command1")->setFocus();
}

QPushButton* Form1::button(std::string_view name) const {
    return findChild<QPushButton*>(text_of(name), Qt::FindDirectChildrenOnly);
}

void Form1::wire_events() {
    connect(button("Command1"), &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(button("Command2"), &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(button("Command3"), &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(List1, &QListView::doubleClicked, this, &Form1::List1_DblClick);
    connect(button("Command4"), &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(button("Command5"), &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(button("Command6"), &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!opened_) { // said once the window is there to say it in
        opened_ = true;
        show_notice(model_.opening_notice());
    }
}

int Form1::selected_index() const {
    const QModelIndexList selected = List1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void Form1::add(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    entries_->begin_append(static_cast<int>(paths.size()));
    model_.add(paths);
    entries_->end_append();
}

void Form1::Command1_Click() {
    if (CommonDialog1 == nullptr) {
        CommonDialog1 = new QFileDialog(this, text_of(form1_text::add_dialog_title));
        CommonDialog1->setObjectName(QStringLiteral("CommonDialog1"));
        CommonDialog1->setFileMode(QFileDialog::ExistingFiles);
        CommonDialog1->setNameFilters(dialog_filters());
    }
    // Cancelling adds nothing; the dialog keeps its folder and filter for the next add.
    bool accepted = CommonDialog1->exec() == QDialog::Accepted;
    button("Command1")->setFocus();
    if (!accepted)
        return;
    std::vector<std::string> chosen;
    for (const QString& file : CommonDialog1->selectedFiles()) {
        // Qt holds names as text: one that is not UTF-8 is found again on the disk by its bytes.
        std::optional<std::string> name = name_on_disk(file.toStdString());
        if (!name) {
            show_notice(Notice{std::string(form1_text::not_added),
                               "no file on the disk has the name " + file.toStdString() +
                                   " (it is not UTF-8, and more than one name, or none, looks like it)"});
            return;
        }
        chosen.push_back(*name);
    }
    add(entries_to_add(chosen, CommonDialog1->selectedNameFilter() == whole_folder_filter(), "/"));
}

void Form1::Command2_Click() {
    int index = selected_index();
    if (index < 0)
        return;
    entries_->begin_remove(index);
    std::optional<std::size_t> next = model_.remove(static_cast<std::size_t>(index));
    entries_->end_remove();
    if (next)
        List1->setCurrentIndex(entries_->index(static_cast<int>(*next)));
}

void Form1::Command3_Click() {
    int index = selected_index();
    if (index >= 0)
        show_notice(model_.set_as_wallpaper(static_cast<std::size_t>(index)));
}

void Form1::List1_DblClick() {
    Command3_Click();
}

void Form1::Command4_Click() {
    if (model_.step_up())
        Text1->setText(QString::fromStdString(model_.interval_shown()));
}

void Form1::Command5_Click() {
    if (model_.step_down())
        Text1->setText(QString::fromStdString(model_.interval_shown()));
}

void Form1::Command6_Click() {
    show_notice(model_.save([this](const Notice& asked) {
        QMessageBox question(QMessageBox::Warning, text_of(form1_text::notice_title), QString(),
                             QMessageBox::Yes | QMessageBox::No, this);
        question.setObjectName(QStringLiteral("question"));
        fill_box(question, asked);
        question.setDefaultButton(QMessageBox::No);
        return question.exec() == QMessageBox::Yes;
    }));
}

void Form1::bring_to_front() {
    showNormal();
    raise();
    activateWindow();
}

void Form1::next_picture() {
    show_notice(model_.next());
    if (Timer1->isActive())
        Timer1->start(model_.rotation_ms());
}

void Form1::pause_rotation() {
    paused_ = true;
    Timer1->stop();
    setWindowTitle(text_of(form1_title) + text_of(form1_paused_title));
}

void Form1::resume_rotation() {
    if (!paused_)
        return;
    paused_ = false;
    setWindowTitle(text_of(form1_title));
    if (model_.rotation_ms() > 0)
        Timer1->start(model_.rotation_ms());
}

void Form1::Timer1_Timer() {
    show_notice(model_.tick());
}

// One notice, reused and not modal: a failing rotation must not pile up a box per tick.
void Form1::show_notice(const std::optional<Notice>& notice) {
    if (!notice)
        return;
    if (notice_ == nullptr) {
        notice_ = new QMessageBox(QMessageBox::Warning, text_of(form1_text::notice_title), QString(),
                                  QMessageBox::Ok, this);
        notice_->setObjectName(QStringLiteral("notice"));
        notice_->setWindowModality(Qt::NonModal); // the window stays usable behind it
    }
    fill_box(*notice_, *notice);
    notice_->show();
    notice_->raise();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (watched != List1->viewport())
        return QWidget::eventFilter(watched, event);
    auto local_files = [](const QMimeData* data) {
        std::vector<std::string> paths;
        if (data == nullptr)
            return paths;
        // The list as the source wrote it keeps every byte of a name; QUrl's text would not.
        if (data->hasFormat(QStringLiteral("text/uri-list")))
            return local_files_in_uri_list(data->data(QStringLiteral("text/uri-list")).toStdString());
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                paths.push_back(url.toLocalFile().toStdString());
        return paths;
    };
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (local_files(drag->mimeData()).empty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> paths = local_files(drop->mimeData());
        if (paths.empty())
            return false;
        add(paths);
        drop->acceptProposedAction();
        return true;
    }
    default:
        return false;
    }
}

} // namespace wallcycle
