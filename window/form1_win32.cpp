#include "window/form1_win32.h"

#include "platform/error_output.h"
#include "platform/random_fraction.h"
#include "platform/wide_text_windows.h"
#include "settings/settings_file.h"
#include "wallpaper/random_pick.h"
#include "window/interval_stepping.h"
#include "window/list_commands.h"
#include "window/save_guard.h"

#include <windows.h>
// The common dialogs after windows.h, which they build on.
#include <commdlg.h>

namespace wallcycle {
namespace {

enum ControlId {
    Command1 = 101,
    Command2,
    Command3,
    Command4,
    Command5,
    Command6,
    List1 = 201,
    Text1,
    Label1,
    Label2
};
constexpr UINT_PTR Timer1 = 1;

struct Control {
    int id;
    const wchar_t* kind;
    const wchar_t* caption;
    int left, top, width, height; // pixels at 96 dpi
    DWORD style;
    bool interval_font;
};

// In tab order: the buttons and the list take the focus; the disabled interval and the labels do not.
const Control controls[] = {
    {Command1, L"BUTTON", L"追加", 360, 8, 81, 41, BS_PUSHBUTTON | WS_TABSTOP, false},
    {Command2, L"BUTTON", L"削除", 360, 56, 81, 41, BS_PUSHBUTTON | WS_TABSTOP, false},
    {Command3, L"BUTTON", L"壁紙に設定", 360, 104, 81, 41, BS_PUSHBUTTON | WS_TABSTOP, false},
    {List1, L"LISTBOX", L"", 16, 8, 337, 160,
     LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP, false},
    {Text1, L"EDIT", L"0", 192, 176, 41, 25, ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_DISABLED, true},
    {Label1, L"STATIC", L"タイマー間隔", 112, 184, 73, 17, SS_LEFT, true},
    {Command4, L"BUTTON", L"↑", 232, 176, 25, 15, BS_PUSHBUTTON | WS_TABSTOP, false},
    {Command5, L"BUTTON", L"↓", 232, 192, 25, 15, BS_PUSHBUTTON | WS_TABSTOP, false},
    {Label2, L"STATIC", L"秒", 272, 184, 25, 17, SS_LEFT, true},
    {Command6, L"BUTTON", L"設定の保存", 360, 160, 81, 41, BS_PUSHBUTTON | WS_TABSTOP, false},
};

class Form1 {
public:
    Form1(BackendList backends, std::string settings_file, NumberFormat number_format, RecordsAsRead as_read,
          std::string unreadable_settings)
        : backends_(std::move(backends)), settings_file_(std::move(settings_file)),
          number_format_(std::move(number_format)), as_read_(std::move(as_read)),
          save_guard_(std::move(unreadable_settings)) {}
    ~Form1() {
        if (interval_font_ != nullptr)
            DeleteObject(interval_font_);
    }

    bool create(const Settings& settings);
    void ArmRotation(int period_ms) {
        if (period_ms > 0)
            SetTimer(window_, Timer1, static_cast<UINT>(period_ms),
                     nullptr); // below 10 ms Windows makes it 10
    }
    int run();

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
    int scaled(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    HWND item(int id) const { return GetDlgItem(window_, id); }

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void List1_DblClick() { Command3_Click(); }
    void Command4_Click() { step(stepped_up); }
    void Command5_Click() { step(stepped_down); }
    void Command6_Click();
    void Timer1_Timer();

    std::string entry(int index) const;
    std::string interval_text() const;
    Settings settings() const;
    void append(const std::wstring& path) {
        SendMessageW(item(List1), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    }
    void step(std::optional<std::string> (*stepper)(std::string_view, const NumberFormat&));
    void report(PickOutcome outcome);
    void show_notice(const std::string& text);

    HWND window_ = nullptr;
    HFONT interval_font_ = nullptr;
    int dpi_ = 96;
    bool notice_open_ = false;
    BackendList backends_;
    std::string settings_file_;
    NumberFormat number_format_;
    RecordsAsRead as_read_;
    SaveGuard save_guard_;
    std::string CurrentWallpaper;
};

bool Form1::create(const Settings& settings) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW form_class{};
    form_class.cbSize = sizeof form_class;
    form_class.lpfnWndProc = procedure;
    form_class.hInstance = instance;
    form_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    form_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form_class.lpszClassName = L"wallcycle.Form1";
    RegisterClassExW(&form_class);

    dpi_ = static_cast<int>(GetDpiForSystem());
    RECT frame{0, 0, scaled(449), scaled(213)}; // the client area; the frame goes around it
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window_ = CreateWindowExW(0, form_class.lpszClassName, L"Form1", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                              nullptr, instance, this);
    if (window_ == nullptr)
        return false;

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT default_font = CreateFontIndirectW(&metrics.lfMessageFont);
    interval_font_ = CreateFontW(-MulDiv(12, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                 SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH, L"ＭＳ Ｐゴシック");
    for (const Control& control : controls) {
        HWND created =
            CreateWindowExW(control.id == List1 ? WS_EX_CLIENTEDGE : 0, control.kind, control.caption,
                            WS_CHILD | WS_VISIBLE | control.style, scaled(control.left), scaled(control.top),
                            scaled(control.width), scaled(control.height), window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        SendMessageW(created, WM_SETFONT,
                     reinterpret_cast<WPARAM>(control.interval_font ? interval_font_ : default_font), FALSE);
    }
    for (const auto& path : settings.entries)
        append(widen(path));
    SetWindowTextW(item(Text1), widen(settings.interval_text).c_str());
    return true;
}

int Form1::run() {
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(item(Command1));
    if (save_guard_.must_ask()) // the settings file there could not be read
        show_notice(save_guard_.notice());
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window_, &message)) // Tab and Shift+Tab through the controls
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK Form1::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form != nullptr ? form->handle(message, wparam, lparam)
                           : DefWindowProcW(window, message, wparam, lparam);
}

// Every event of the window reaches its handler here.
LRESULT Form1::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case Command1:
            Command1_Click();
            return 0;
        case Command2:
            Command2_Click();
            return 0;
        case Command3:
            Command3_Click();
            return 0;
        case Command4:
            Command4_Click();
            return 0;
        case Command5:
            Command5_Click();
            return 0;
        case Command6:
            Command6_Click();
            return 0;
        case List1:
            if (HIWORD(wparam) == LBN_DBLCLK)
                List1_DblClick();
            return 0;
        }
        break;
    case WM_TIMER:
        if (wparam == Timer1)
            Timer1_Timer();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
}

std::string Form1::entry(int index) const {
    LRESULT length = SendMessageW(item(List1), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(item(List1), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return narrow(text);
}

std::string Form1::interval_text() const {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item(Text1))) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item(Text1), text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

Settings Form1::settings() const {
    Settings out{interval_text(), {}};
    int count = static_cast<int>(SendMessageW(item(List1), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        out.entries.push_back(entry(i));
    return out;
}

// The dialog's filter list: "description\0patterns\0…\0\0".
std::wstring dialog_filter() {
    std::wstring filter;
    for (const FileFilter& entry : parse_file_filters(add_dialog_filter)) {
        std::string patterns;
        for (const auto& pattern : entry.patterns)
            patterns += (patterns.empty() ? "" : ";") + pattern;
        filter += widen(entry.description) + L'\0' + widen(patterns) + L'\0';
    }
    filter +=
        widen(all_images_filter_name) + L'\0' + L"*.bmp;*.dib;*.jpg;*.jpeg;*.png;*.gif;*.tif;*.tiff" + L'\0';
    filter += widen(all_files_filter_name) + L'\0' + L"*.*" + L'\0';
    filter += widen(whole_folder_filter_name) + L'\0' + L"*.*" + L'\0';
    return filter;
}

void Form1::Command1_Click() {
    std::wstring filter = dialog_filter();
    std::wstring chosen(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    BOOL accepted = GetOpenFileNameW(&dialog);
    SetFocus(item(Command1));
    if (!accepted)
        return; // cancelled: nothing is added
    // One file: its full path. Several: the folder, then each name, each ending in a NUL.
    std::vector<std::string> files;
    std::wstring first(chosen.c_str());
    const wchar_t* next = chosen.c_str() + first.size() + 1;
    if (*next == L'\0')
        files.push_back(narrow(first));
    for (; *next != L'\0'; next += wcslen(next) + 1)
        files.push_back(narrow(first + L"\\" + next));
    // The filters: the BMP one, all images, all files, then the folder one.
    std::size_t filters = parse_file_filters(add_dialog_filter).size();
    for (const std::string& entry : entries_to_add(files, dialog.nFilterIndex == filters + 3, "\\/"))
        append(widen(entry));
}

void Form1::Command2_Click() {
    HWND list = item(List1);
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    auto remaining = static_cast<std::size_t>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    if (auto next = selection_after_removal(remaining, static_cast<std::size_t>(index)))
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(*next), 0);
}

void Form1::Command3_Click() {
    LRESULT index = SendMessageW(item(List1), LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    report(apply_entry(entry(static_cast<int>(index)), backends_));
}

void Form1::step(std::optional<std::string> (*stepper)(std::string_view, const NumberFormat&)) {
    if (auto text = stepper(interval_text(), number_format_))
        SetWindowTextW(item(Text1), widen(*text).c_str());
}

void Form1::Command6_Click() {
    if (save_guard_.must_ask() && MessageBoxW(window_, widen(save_guard_.question()).c_str(), L"wallcycle",
                                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return;
    Status saved = SaveSettings(settings_file_, settings(), as_read_);
    if (!saved) {
        show_notice(saved.reason());
        return;
    }
    save_guard_.saved();
}

void Form1::Timer1_Timer() {
    if (SendMessageW(item(List1), LB_GETCOUNT, 0, 0) == 0)
        return;
    report(apply_random_entry(settings().entries, backends_));
}

void Form1::report(PickOutcome outcome) {
    CurrentWallpaper = std::move(outcome.path);
    if (outcome.status)
        return;
    report_line(outcome.status.reason());
    show_notice(outcome.status.reason());
}

// One message at a time: a failing rotation must not pile up boxes.
void Form1::show_notice(const std::string& text) {
    if (notice_open_)
        return;
    notice_open_ = true;
    MessageBoxW(window_, widen(text).c_str(), L"wallcycle", MB_OK | MB_ICONWARNING);
    notice_open_ = false;
}

} // namespace

int run_form1_win32(const StartupPlan& plan, BackendList backends, std::string settings_file,
                    NumberFormat number_format) {
    Form1 form(std::move(backends), std::move(settings_file), std::move(number_format), plan.as_read,
               plan.unreadable_settings);
    if (!form.create(plan.settings))
        return 3;
    form.ArmRotation(plan.rotation_ms);
    return form.run();
}

} // namespace wallcycle
