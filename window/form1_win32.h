#pragma once
// The window on Windows: plain Win32 controls placed as the layout table says, forwarding every
// event to the toolkit-free model of Form1.

#include "window/form1_model.h"

#include <memory>
#include <string_view>
#include <windows.h>

#include <shellapi.h> // after windows.h, which it needs

namespace wallcycle {

class Form1Win32 {
public:
    Form1Win32(const StartupPlan& plan, BackendList backends, std::string settings_file,
               NumberFormat number_format);
    ~Form1Win32();
    Form1Win32(const Form1Win32&) = delete;
    Form1Win32& operator=(const Form1Win32&) = delete;

    // Makes and shows the window (and says what the model has to say at once); false when the
    // system refuses to make it.
    bool open();
    // Runs until the window is closed; the process's exit status.
    int run();

    HWND handle() const { return window_; }
    HWND control(std::string_view name) const;
    // The notice window, while one was made (it is reused).
    HWND notice() const { return notice_; }
    const Form1Model& model() const { return model_; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK step_button_procedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK notice_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    void command(int id, int notification); // a button clicked, the list double-clicked
    void dropped(HDROP drop);
    int scaled(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    void place_controls();
    void make_fonts();

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void List1_DblClick() { Command3_Click(); }
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Timer1_Timer();

    void add(const std::vector<std::string>& paths);
    void show_list_count();
    void draw_list_line(const DRAWITEMSTRUCT& line);
    void show_interval();
    void show_notice(const std::optional<Notice>& notice);

    Form1Model model_;
    HWND window_ = nullptr;
    HWND notice_ = nullptr;
    HFONT interval_font_ = nullptr;
    HFONT message_font_ = nullptr;
    int dpi_ = 96;
    WNDPROC button_procedure_ = nullptr; // the system's, under the step buttons' own
    int repeating_ = 0;                  // the step button held down, if any
};

// Shows Form1 with what start-up prepared and runs until it is closed.
int run_form1_win32(const StartupPlan& plan, BackendList backends, std::string settings_file,
                    NumberFormat number_format);

} // namespace wallcycle
