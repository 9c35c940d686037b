// The Win32 window over the model, in this process under wine: what the Qt window does too —
// hold-to-repeat, files dropped on the list and deleted, one reused notice that leaves the window usable, the
// same messages — and following a change of the monitor's scale.

#include "tests/support/probe_backend.h"
#include "window/form1_layout.h"
#include "window/form1_win32.h"

#include <chrono>
#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <thread>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

struct Window {
    std::vector<std::string> shown;
    std::unique_ptr<Form1Win32> form;

    explicit Window(Settings settings) {
        StartupPlan plan;
        plan.settings = std::move(settings);
        BackendList backends;
        auto probe = std::make_unique<ProbeBackend>("windows", true, &shown);
        probe->refused.insert("C:\\gone.bmp");
        backends.push_back(std::move(probe));
        form = std::make_unique<Form1Win32>(plan, std::move(backends), "C:\\nowhere\\k_save.dat",
                                            NumberFormat{".", "-"});
        EXPECT_TRUE(form->open());
    }
    std::wstring text(std::string_view control) const {
        wchar_t buffer[256] = {};
        GetWindowTextW(form->control(control), buffer, 256);
        return buffer;
    }
    void click(std::string_view button) const {
        SendMessageW(form->handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form->control(button)), BN_CLICKED),
                     reinterpret_cast<LPARAM>(form->control(button)));
    }
};

// Runs the window's messages (its timers among them) for a while.
void pump(int milliseconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TEST(Form1Win32, HoldingAStepButtonRepeats) {
    Window window({"0", {}});
    HWND up = window.form->control("Command4");
    SendMessageW(up, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    pump(900); // 400 ms, then every 80 ms
    SendMessageW(up, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    int stepped = std::stoi(window.text("Text1"));
    EXPECT_GT(stepped, 3);
    pump(300);
    EXPECT_EQ(std::stoi(window.text("Text1")), stepped) << "still stepping after it was let go";
}

TEST(Form1Win32, FilesDroppedOnTheListAreAddedAndDeleteRemovesTheSelection) {
    Window window({"0", {"C:\\first.bmp"}});
    RECT list{};
    GetWindowRect(window.form->control("List1"), &list);
    MapWindowPoints(nullptr, window.form->handle(), reinterpret_cast<POINT*>(&list), 2);
    const wchar_t files[] = L"C:\\pics\\one.jpg\0C:\\pics\\two words\0"; // a file and a folder
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + sizeof files + sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = {list.left + 10, list.top + 10};
    drop->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), files, sizeof files);
    GlobalUnlock(memory);
    SendMessageW(window.form->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(window.form->model().entries(),
              (std::vector<std::string>{"C:\\first.bmp", "C:\\pics\\one.jpg", "C:\\pics\\two words"}));
    EXPECT_EQ(SendMessageW(window.form->control("List1"), LB_GETCOUNT, 0, 0), 3);
    // The middle one deleted: the one after it takes its place and the selection.
    SendMessageW(window.form->control("List1"), LB_SETCURSEL, 1, 0);
    window.click("Command2");
    EXPECT_EQ(window.form->model().entries(),
              (std::vector<std::string>{"C:\\first.bmp", "C:\\pics\\two words"}));
    EXPECT_EQ(SendMessageW(window.form->control("List1"), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(window.form->control("List1"), LB_GETCURSEL, 0, 0), 1);
}

TEST(Form1Win32, FailuresShowOneReusedNoticeAndTheWindowStaysUsable) {
    Window window({"0", {"C:\\gone.bmp"}});
    SendMessageW(window.form->control("List1"), LB_SETCURSEL, 0, 0);
    window.click("Command3");
    window.click("Command3");
    HWND notice = window.form->notice();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(IsWindowVisible(notice));
    EXPECT_TRUE(IsWindowEnabled(window.form->handle())) << "the notice must not be modal";
    int notices = 0;
    for (HWND found = nullptr;
         (found = FindWindowExW(nullptr, found, L"wallcycle.Notice", nullptr)) != nullptr;)
        ++notices;
    EXPECT_EQ(notices, 1);
    wchar_t text[512] = {};
    GetDlgItemTextW(notice, 1, text, 512);
    EXPECT_EQ(std::wstring(text), L"壁紙を変更できませんでした。\nC:\\gone.bmp");
    EXPECT_EQ(window.shown, (std::vector<std::string>{"windows C:\\gone.bmp", "windows C:\\gone.bmp"}));
}

TEST(Form1Win32, ControlsAndFacesFollowTheMonitorsScale) {
    Window window({"0", {}});
    RECT suggested{0, 0, 2 * 449 + 16, 2 * 213 + 39};
    SendMessageW(window.form->handle(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    for (const ControlPlace& place : form1_controls) {
        RECT rect{};
        GetWindowRect(window.form->control(place.name), &rect);
        EXPECT_EQ(rect.right - rect.left, 2 * place.width) << place.name;
        EXPECT_EQ(rect.bottom - rect.top, 2 * place.height) << place.name;
    }
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window.form->control("Label1"), WM_GETFONT, 0, 0)),
               sizeof face, &face);
    EXPECT_EQ(face.lfHeight, -32); // 12 pt at 192 dpi
}

} // namespace
