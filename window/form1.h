#pragma once

#include "platform/number_text.h"
#include "settings/records_as_read.h"
#include "settings/settings.h"
#include "wallpaper/apply_wallpaper.h"
#include "window/save_guard.h"

#include <QWidget>
#include <functional>
#include <string>

class QFileDialog;
class QLabel;
class QLineEdit;
class QListView;
class QMessageBox;
class QPushButton;
class QStringListModel;
class QTimer;

namespace wallcycle {

// The program's one window: the image list, the buttons that edit and apply it, the interval
// with its step buttons, and the rotation timer. Controls are laid out at fixed places, as the
// settings' users know the window; resizing the window moves nothing.
class Form1 : public QWidget {
    Q_OBJECT
public:
    using SettingsLocator = std::function<std::string()>;

    Form1(const Settings& settings, BackendList backends, SettingsLocator locate_settings,
          NumberFormat format, QWidget* parent = nullptr);

    // Starts the rotation: a random wallpaper every period, the first one period from now.
    void ArmRotation(int period_ms);

    // What the load left for saving: records to write back as they were read, and why the file
    // there could not be read (then the window says so, and a save asks before replacing it).
    void set_loaded_file(RecordsAsRead as_read, std::string unreadable_reason);

    Settings settings() const;
    const std::string& current_wallpaper() const { return CurrentWallpaper; }
    // The message the window shows about the last failed save or apply, if any.
    QMessageBox* notice() const { return notice_; }

    // The face of the interval text and its labels, and the installed faces that stand in for it.
    static QString interval_font_family();
    static void install_font_substitutes();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create_controls(const Settings& settings);
    void wire_events();

    void Command1_Click(); // add
    void Command2_Click(); // delete
    void Command3_Click(); // set as wallpaper
    void List1_DblClick();
    void Command4_Click(); // interval up
    void Command5_Click(); // interval down
    void Command6_Click(); // save
    void Timer1_Timer();

    int selected_index() const;
    void append_entries(const QStringList& paths);
    void report(PickOutcome outcome);
    void show_notice(const std::string& text);

    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QListView* List1 = nullptr;
    QStringListModel* entries_ = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command6 = nullptr;
    QTimer* Timer1 = nullptr;
    QFileDialog* CommonDialog1 = nullptr; // made on first use: most runs never add
    QMessageBox* notice_ = nullptr;

    BackendList backends_;
    SettingsLocator locate_settings_;
    NumberFormat number_format_;
    RecordsAsRead as_read_;
    SaveGuard save_guard_;
    std::string CurrentWallpaper;
};

} // namespace wallcycle
