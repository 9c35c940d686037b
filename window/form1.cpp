#include "window/form1.h"

#include <QLineEdit>
#include <QListView>
#include <QStringListModel>
#include <QTimer>
#include <cstdio>

namespace wallcycle {

Form1::Form1(const Settings& settings, BackendList backends, QWidget* parent)
    : QWidget(parent), backends_(std::move(backends)) {
    setWindowTitle(QStringLiteral("Form1"));
    resize(449, 213);

    entries_ = new QStringListModel(this);
    QStringList names;
    names.reserve(static_cast<qsizetype>(settings.entries.size()));
    for (const auto& entry : settings.entries)
        names.append(QString::fromStdString(entry));
    entries_->setStringList(names);

    list1_ = new QListView(this);
    list1_->setModel(entries_);
    list1_->setUniformItemSizes(true);
    list1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list1_->setGeometry(16, 8, 337, 160);

    text1_ = new QLineEdit(QString::fromStdString(settings.interval_text), this);
    text1_->setEnabled(false);
    text1_->setGeometry(192, 176, 41, 25);

    timer1_ = new QTimer(this);
    connect(timer1_, &QTimer::timeout, this, &Form1::timer1_timer);
}

void Form1::arm_rotation(int period_ms) {
    if (period_ms > 0)
        timer1_->start(period_ms);
}

Settings Form1::settings() const {
    Settings out;
    out.interval_text = text1_->text().toStdString();
    for (const QString& entry : entries_->stringList())
        out.entries.push_back(entry.toStdString());
    return out;
}

void Form1::timer1_timer() {
    PickOutcome outcome = apply_random_entry(settings().entries, backends_);
    if (!outcome.path.empty())
        current_wallpaper_ = outcome.path;
    if (!outcome.status)
        std::fprintf(stderr, "wallcycle: %s\n", outcome.status.reason().c_str());
}

} // namespace wallcycle
