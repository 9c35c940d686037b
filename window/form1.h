#pragma once

#include "settings/settings.h"
#include "wallpaper/apply_wallpaper.h"

#include <QWidget>
#include <string>

class QListView;
class QLineEdit;
class QStringListModel;
class QTimer;

namespace wallcycle {

// The program's one window: the image list, the interval, and the rotation timer.
class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(const Settings& settings, BackendList backends, QWidget* parent = nullptr);

    // Starts the rotation: a random wallpaper every period, the first one period from now.
    void arm_rotation(int period_ms);

    Settings settings() const;
    const std::string& current_wallpaper() const { return current_wallpaper_; }

private:
    void timer1_timer();

    QListView* list1_ = nullptr;
    QStringListModel* entries_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QTimer* timer1_ = nullptr;
    BackendList backends_;
    std::string current_wallpaper_;
};

} // namespace wallcycle
