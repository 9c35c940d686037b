#include "window/form1_win32.h"

#include "pictures/picture_formats.h"
#include "platform/error_output.h"
#include "platform/system_function_windows.h"
#include "platform/wide_text_windows.h"
#include "startup/exit_codes.h"
#include "window/add_dialog.h"
#include "window/form1_layout.h"
#include "window/form1_messages.h"

// The common dialogs and the shell's drag and drop after windows.h, which they build on.
#include <commdlg.h>
#include <shellapi.h>

namespace wallcycle {
namespace {

constexpr int first_control_id = 101; // each control's id: this plus its place in the table
constexpr UINT_PTR Timer1 = 1, step_repeat_timer = 2;
constexpr int notice_text_id = 1, notice_detail_id = 2;
constexpr wchar_t form_class_name[] = L"wallcycle.Form1", notice_class_name[] = L"wallcycle.Notice";
// The window property that marks the session's rotation.
constexpr wchar_t rotation_mark[] = L"wallcycle.rotation";

int id_of(std::string_view name) {
    for (std::size_t i = 0; i < std::size(form1_controls); ++i)
        if (form1_controls[i].name == name)
            return first_control_id + static_cast<int>(i);
    return 0;
}

// Newer systems' functions, looked up at run time so that the program starts on older ones too.
UINT dpi_of(HWND window) {
    using GetDpiForWindow = UINT(WINAPI*)(HWND);
    static auto get_dpi = user32_function<GetDpiForWindow>("GetDpiForWindow");
    if (get_dpi != nullptr && window != nullptr)
        return get_dpi(window);
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
};

ControlClass class_of(const ControlPlace& place) {
    switch (place.kind) {
    case ControlKind::Button:
        return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP};
    case ControlKind::List:
        // No data of its own: the lines are drawn from the list the window holds, so a list of a
        // million entries fills at once and loses one at once.
        return {L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_NODATA | LBS_OWNERDRAWFIXED | WS_VSCROLL |
                                WS_BORDER | WS_TABSTOP};
    case ControlKind::Text:
        return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_DISABLED};
    case ControlKind::Label:
        break;
    }
    return {L"STATIC", SS_LEFT};
}

// The dialog's filter list: "description\0patterns\0…\0\0": the BMP filter first,
// all images Windows reads, all files, then the folder of what is chosen (its number, from 1, beside).
struct DialogFilters {
    std::wstring list;
    DWORD folder_index = 0;
};

DialogFilters dialog_filters() {
    DialogFilters filters;
    DWORD count = 0;
    auto add_filter = [&](std::string_view description, const std::string& patterns) {
        filters.list += widen(std::string(description)) + L'\0' + widen(patterns) + L'\0';
        return ++count;
    };
    for (const FileFilter& entry : parse_file_filters(add_dialog_filter)) {
        std::string patterns;
        for (const auto& pattern : entry.patterns)
            patterns += (patterns.empty() ? "" : ";") + pattern;
        add_filter(entry.description, patterns);
    }
    add_filter(all_images_filter_name, picture_patterns(";", true));
    add_filter(all_files_filter_name, "*.*");
    filters.folder_index = add_filter(whole_folder_filter_name, "*.*");
    return filters;
}

std::wstring notice_detail(const Notice& notice) {
    return widen(form1_text::detail_caption) + L" " + widen(notice.detail);
}

} // namespace

Form1Win32::Form1Win32(const StartupPlan& plan, BackendList backends, std::string settings_file,
                       NumberFormat number_format)
    : model_(plan, std::move(backends), std::move(settings_file), std::move(number_format)) {}

Form1Win32::~Form1Win32() {
    if (notice_ != nullptr)
        DestroyWindow(notice_);
    if (window_ != nullptr)
        DestroyWindow(window_);
    for (HFONT font : {interval_font_, message_font_})
        if (font != nullptr)
            DeleteObject(font);
}

HWND Form1Win32::control(std::string_view name) const {
    return GetDlgItem(window_, id_of(name));
}

bool Form1Win32::open() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW form_class{};
    form_class.cbSize = sizeof form_class;
    form_class.lpfnWndProc = procedure;
    form_class.hInstance = instance;
    form_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    form_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    form_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form_class.lpszClassName = form_class_name;
    RegisterClassExW(&form_class);
    WNDCLASSEXW notice_class = form_class;
    notice_class.lpfnWndProc = notice_procedure;
    notice_class.lpszClassName = notice_class_name;
    RegisterClassExW(&notice_class);

    dpi_ = static_cast<int>(dpi_of(nullptr));
    RECT frame{0, 0, scaled(form1_client_width), scaled(form1_client_height)}; // the frame goes around it
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    window_ = CreateWindowExW(WS_EX_ACCEPTFILES, form_class_name, widen(form1_title).c_str(),
                              WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                              frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (window_ == nullptr)
        return false;
    dpi_ = static_cast<int>(dpi_of(window_));
    for (std::size_t i = 0; i < std::size(form1_controls); ++i) {
        const ControlPlace& place = form1_controls[i];
        ControlClass kind = class_of(place);
        HWND created = CreateWindowExW(
            place.kind == ControlKind::List ? WS_EX_CLIENTEDGE : 0, kind.name, widen(place.caption).c_str(),
            WS_CHILD | WS_VISIBLE | kind.style, 0, 0, 0, 0, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(first_control_id + i)), instance, nullptr);
        if (place.name == "Command4" || place.name == "Command5") // held down, they repeat
            button_procedure_ = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(created, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(step_button_procedure)));
    }
    make_fonts();
    place_controls();
    show_list_count();
    show_interval();
    if (model_.rotation_ms() > 0) // below 10 ms Windows makes it 10
        SetTimer(window_, Timer1, static_cast<UINT>(model_.rotation_ms()), nullptr);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(control("Command1"));
    show_notice(model_.opening_notice());
    return true;
}

// The faces at this window's scale: the interval row's, and the system's message face.
void Form1Win32::make_fonts() {
    for (HFONT font : {interval_font_, message_font_})
        if (font != nullptr)
            DeleteObject(font);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    metrics.lfMessageFont.lfHeight =
        MulDiv(metrics.lfMessageFont.lfHeight, dpi_, static_cast<int>(dpi_of(nullptr)));
    message_font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    interval_font_ = CreateFontW(-MulDiv(interval_font_points, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                 FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH, widen(interval_font_family).c_str());
}

void Form1Win32::place_controls() {
    for (const ControlPlace& place : form1_controls) {
        HWND item = control(place.name);
        SetWindowPos(item, nullptr, scaled(place.left), scaled(place.top), scaled(place.width),
                     scaled(place.height), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(item, WM_SETFONT,
                     reinterpret_cast<WPARAM>(place.interval_font ? interval_font_ : message_font_), TRUE);
        if (place.kind == ControlKind::List) { // its lines are drawn here: as high as the face's
            HDC dc = GetDC(item);
            HGDIOBJ before = SelectObject(dc, message_font_);
            TEXTMETRICW face{};
            GetTextMetricsW(dc, &face);
            SelectObject(dc, before);
            ReleaseDC(item, dc);
            SendMessageW(item, LB_SETITEMHEIGHT, 0, face.tmHeight);
        }
    }
}

int Form1Win32::run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window_, &message)) // Tab and Shift+Tab through the controls
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK Form1Win32::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1Win32*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1Win32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form != nullptr ? form->handle(message, wparam, lparam)
                           : DefWindowProcW(window, message, wparam, lparam);
}

// ↑ and ↓ step once when clicked; held down they step again after a delay, then at an interval,
// until they are let go.
LRESULT CALLBACK Form1Win32::step_button_procedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* form = reinterpret_cast<Form1Win32*>(GetWindowLongPtrW(GetParent(button), GWLP_USERDATA));
    LRESULT result = CallWindowProcW(form->button_procedure_, button, message, wparam, lparam);
    switch (message) {
    case WM_LBUTTONDOWN:
        form->repeating_ = GetDlgCtrlID(button);
        SetTimer(form->window_, step_repeat_timer, step_repeat_delay_ms, nullptr);
        break;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_KILLFOCUS:
        KillTimer(form->window_, step_repeat_timer);
        form->repeating_ = 0;
        break;
    }
    return result;
}

// Every event of the window reaches its handler here.
LRESULT Form1Win32::handle(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_COMMAND:
        command(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_DRAWITEM:
        if (wparam == static_cast<WPARAM>(id_of("List1"))) {
            draw_list_line(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
            return TRUE;
        }
        break;
    case WM_TIMER:
        if (wparam == Timer1) {
            Timer1_Timer();
        } else if (wparam == step_repeat_timer && repeating_ != 0) {
            SetTimer(window_, step_repeat_timer, step_repeat_interval_ms, nullptr);
            repeating_ == id_of("Command4") ? Command4_Click() : Command5_Click();
        }
        return 0;
    case WM_DROPFILES:
        dropped(reinterpret_cast<HDROP>(wparam));
        return 0;
    case WM_DPICHANGED: { // moved to a monitor of another scale: controls and faces follow
        dpi_ = HIWORD(wparam);
        const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
        make_fonts();
        place_controls();
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DESTROY:
        RemovePropW(window_, rotation_mark);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window_, message, wparam, lparam);
}

void Form1Win32::command(int id, int notification) {
    if (id == id_of("Command1"))
        Command1_Click();
    else if (id == id_of("Command2"))
        Command2_Click();
    else if (id == id_of("Command3"))
        Command3_Click();
    else if (id == id_of("Command4"))
        Command4_Click();
    else if (id == id_of("Command5"))
        Command5_Click();
    else if (id == id_of("Command6"))
        Command6_Click();
    else if (id == id_of("List1") && notification == LBN_DBLCLK)
        List1_DblClick();
}

// Files and folders dropped on the list are added; anywhere else in the window, nothing.
void Form1Win32::dropped(HDROP drop) {
    POINT at{};
    DragQueryPoint(drop, &at);
    RECT list{};
    GetWindowRect(control("List1"), &list);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&list), 2);
    std::vector<std::string> paths;
    if (PtInRect(&list, at))
        for (UINT i = 0, count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < count; ++i) {
            std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
            paths.push_back(narrow(path));
        }
    DragFinish(drop);
    add(paths);
}

void Form1Win32::add(const std::vector<std::string>& paths) {
    model_.add(paths);
    show_list_count();
}

void Form1Win32::show_list_count() {
    SendMessageW(control("List1"), LB_SETCOUNT, model_.entries().size(), 0);
}

// One line of the list, as a list box draws its own: the entry, highlighted when selected.
void Form1Win32::draw_list_line(const DRAWITEMSTRUCT& line) {
    const bool selected = (line.itemState & ODS_SELECTED) != 0;
    FillRect(line.hDC, &line.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (line.itemID < model_.entries().size()) {
        std::wstring text = widen(model_.entries()[line.itemID]);
        HGDIOBJ before = SelectObject(line.hDC, message_font_);
        SetBkMode(line.hDC, TRANSPARENT);
        SetTextColor(line.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT place = line.rcItem;
        place.left += 2;
        DrawTextW(line.hDC, text.c_str(), static_cast<int>(text.size()), &place,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SelectObject(line.hDC, before);
    }
    if ((line.itemState & ODS_FOCUS) != 0)
        DrawFocusRect(line.hDC, &line.rcItem);
}

void Form1Win32::show_interval() {
    SetWindowTextW(control("Text1"), widen(model_.interval_shown()).c_str());
}

void Form1Win32::Command1_Click() {
    DialogFilters filters = dialog_filters();
    std::wstring title = widen(form1_text::add_dialog_title);
    std::wstring chosen(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = filters.list.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosen.data();
    dialog.nMaxFile = static_cast<DWORD>(chosen.size());
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    BOOL accepted = GetOpenFileNameW(&dialog);
    SetFocus(control("Command1"));
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
    add(entries_to_add(files, dialog.nFilterIndex == filters.folder_index, "\\/"));
}

void Form1Win32::Command2_Click() {
    HWND list = control("List1");
    LRESULT index = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    std::optional<std::size_t> next = model_.remove(static_cast<std::size_t>(index));
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    if (next)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(*next), 0);
}

void Form1Win32::Command3_Click() {
    LRESULT index = SendMessageW(control("List1"), LB_GETCURSEL, 0, 0);
    if (index != LB_ERR)
        show_notice(model_.set_as_wallpaper(static_cast<std::size_t>(index)));
}

void Form1Win32::Command4_Click() {
    if (model_.step_up())
        show_interval();
}

void Form1Win32::Command5_Click() {
    if (model_.step_down())
        show_interval();
}

void Form1Win32::Command6_Click() {
    show_notice(model_.save([this](const Notice& asked) {
        std::wstring text = widen(asked.text) + L"\n\n" + notice_detail(asked);
        return MessageBoxW(window_, text.c_str(), widen(form1_text::notice_title).c_str(),
                           MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    }));
}

void Form1Win32::Timer1_Timer() {
    show_notice(model_.tick());
}

// One notice window, reused and not modal: a failing rotation must not pile up boxes, and the
// window stays usable behind it.
void Form1Win32::show_notice(const std::optional<Notice>& notice) {
    if (!notice)
        return;
    if (notice_ == nullptr) {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        RECT frame{0, 0, scaled(420), scaled(170)};
        AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
        notice_ =
            CreateWindowExW(WS_EX_DLGMODALFRAME, notice_class_name, widen(form1_text::notice_title).c_str(),
                            WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                            frame.bottom - frame.top, window_, nullptr, instance, nullptr);
        struct Part {
            const wchar_t* kind;
            int id;
            DWORD style;
            int left, top, width, height;
        } parts[] = {
            {L"STATIC", notice_text_id, SS_LEFT, 12, 12, 396, 48},
            {L"EDIT", notice_detail_id, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER,
             12, 64, 396, 58},
            {L"BUTTON", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 328, 130, 80, 28},
        };
        for (const Part& part : parts) {
            HWND item = CreateWindowExW(
                0, part.kind, part.id == IDOK ? L"OK" : L"", WS_CHILD | WS_VISIBLE | part.style,
                scaled(part.left), scaled(part.top), scaled(part.width), scaled(part.height), notice_,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(part.id)), instance, nullptr);
            SendMessageW(item, WM_SETFONT, reinterpret_cast<WPARAM>(message_font_), FALSE);
        }
    }
    SetDlgItemTextW(notice_, notice_text_id, widen(notice->text).c_str());
    SetDlgItemTextW(notice_, notice_detail_id, notice_detail(*notice).c_str());
    ShowWindow(notice_, SW_SHOWNORMAL);
    SetForegroundWindow(notice_);
}

LRESULT CALLBACK Form1Win32::notice_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if ((message == WM_COMMAND && LOWORD(wparam) == IDOK) || message == WM_CLOSE) {
        ShowWindow(window, SW_HIDE); // kept for the next notice
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

namespace {

// The session's rotation's window, shown and brought to the front; false when there is none.
bool bring_rotation_to_front() {
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, form_class_name, nullptr)) != nullptr)
        if (GetPropW(found, rotation_mark) != nullptr) {
            ShowWindow(found, IsIconic(found) ? SW_RESTORE : SW_SHOW);
            SetForegroundWindow(found);
            return true;
        }
    return false;
}

} // namespace

int run_form1_win32(const StartupPlan& plan, BackendList backends, std::string settings_file,
                    NumberFormat number_format) {
    // "/s" is the session's one rotation: a second one shows the first one's window and ends.
    HANDLE rotation = nullptr;
    if (plan.session_rotation) {
        rotation = CreateMutexW(nullptr, FALSE, L"Local\\org.wallcycle.Wallcycle.rotation");
        if (rotation != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(rotation);
            bring_rotation_to_front();
            report_line("a rotation already runs in this session; its window was brought to the front");
            return exit_code::ok;
        }
    }
    Form1Win32 form(plan, std::move(backends), std::move(settings_file), std::move(number_format));
    int code = exit_code::no_window;
    if (form.open()) {
        if (rotation != nullptr)
            SetPropW(form.handle(), rotation_mark, reinterpret_cast<HANDLE>(1));
        code = form.run();
    }
    if (rotation != nullptr)
        CloseHandle(rotation);
    return code;
}

} // namespace wallcycle
