#include "wallpaper/backends/windows_desktop.h"

#include "pictures/picture_checks.h"
#include "pictures/picture_limits.h"
#include "pictures/picture_structure.h"
#include "platform/file_io.h"
#include "platform/program_facts.h"
#include "platform/shown_path.h"
#include "platform/wide_text_windows.h"

#include <windows.h>
// GDI+ after windows.h and objidl.h, which it needs; its headers want min and max.
#include <algorithm>
#include <objidl.h>
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>

namespace wallcycle {
namespace {

bool is_relative(const std::string& path) {
    bool drive = path.size() >= 2 && path[1] == ':';
    bool rooted = !path.empty() && (path[0] == '\\' || path[0] == '/');
    return !drive && !rooted;
}

// A relative entry (written into the settings file by hand) is taken from the program's folder,
// where that file lives, not from wherever the program was started; the desktop keeps the full path.
std::string full_path(const std::string& path) {
    if (!is_relative(path))
        return path;
    return canonical_path(program_directory() + "\\" + path);
}

// Decodes every pixel, as the desktop will; says what is wrong with a file that cannot be shown.
Status check_image(const std::string& path, const std::wstring& wide_path) {
    if (Status usable = picture_file_usable(path); !usable)
        return usable;
    // GDI+ shows a damaged file's missing part grey or black: every byte is looked at first.
    Result<std::string> bytes = read_whole_file(path, static_cast<std::size_t>(largest_image_bytes));
    if (!bytes)
        return fail(bytes.reason());
    if (Status complete = picture_complete(bytes.value()); !complete)
        return fail(picture_failure(path, complete.reason()));
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
        return fail("the system's image decoder (GDI+) cannot start");
    Status verdict;
    {
        Gdiplus::Bitmap bitmap(wide_path.c_str());
        Gdiplus::BitmapData pixels{};
        Gdiplus::Rect whole(0, 0, static_cast<INT>(bitmap.GetWidth()), static_cast<INT>(bitmap.GetHeight()));
        if (bitmap.GetLastStatus() != Gdiplus::Ok || whole.Width <= 0 || whole.Height <= 0)
            verdict = fail(picture_failure(path, "not an image in a format this system reads"));
        else if (static_cast<long long>(whole.Width) * whole.Height * 4 > largest_image_bytes)
            verdict = fail(picture_failure(path, "the image is too large (" + std::to_string(whole.Width) +
                                                     "x" + std::to_string(whole.Height) + " pixels)"));
        else if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppRGB, &pixels) !=
                 Gdiplus::Ok)
            verdict = fail(picture_failure(path, "the image cannot be decoded"));
        else
            bitmap.UnlockBits(&pixels);
    }
    Gdiplus::GdiplusShutdown(token);
    return verdict;
}

} // namespace

Status WindowsDesktopBackend::apply(const std::string& entry) {
    std::string image_path = full_path(entry);
    std::wstring path = widen(image_path);
    if (Status usable = check_image(image_path, path); !usable)
        return usable;
    // The wide variant carries the same request as the ANSI one without losing characters of the path.
    if (!SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, path.data(),
                               SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
        return fail("Windows did not take the wallpaper " + shown_path(image_path) + ": " +
                    system_message(GetLastError()));
    return {};
}

} // namespace wallcycle
