#pragma once
// The window on Linux: Qt widgets placed as the layout table says, forwarding every event to the
// toolkit-free model of Form1.

#include "window/form1_model.h"

#include <QWidget>
#include <memory>

class QFileDialog;
class QLineEdit;
class QListView;
class QMessageBox;
class QPushButton;
class QTimer;

namespace wallcycle {

class EntryList;

class Form1 : public QWidget {
    Q_OBJECT
public:
    Form1(const StartupPlan& plan, BackendList backends, std::string settings_file, NumberFormat format,
          QWidget* parent = nullptr);
    ~Form1() override;

    // The installed faces that stand in for the interval row's face.
    static void install_font_substitutes();

    // What the session's rotation is told from outside: show the window; a picture now (the next
    // tick one period later); no ticks until resumed, said in the title.
    void bring_to_front();
    void next_picture();
    void pause_rotation();
    void resume_rotation();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void create_controls();
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
    void add(const std::vector<std::string>& paths);
    void show_notice(const std::optional<Notice>& notice);

    Form1Model model_;
    QPushButton* button(std::string_view name) const;
    QListView* List1 = nullptr;
    EntryList* entries_ = nullptr;
    QLineEdit* Text1 = nullptr;
    QTimer* Timer1 = nullptr;
    QFileDialog* CommonDialog1 = nullptr; // made on first use: most runs never add
    QMessageBox* notice_ = nullptr;
    bool opened_ = false;
    bool paused_ = false;
};

} // namespace wallcycle
