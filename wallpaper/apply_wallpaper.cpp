#include "wallpaper/apply_wallpaper.h"

#include <thread>

namespace wallcycle {
namespace {

Status reachable(const WallpaperBackend& backend, std::chrono::steady_clock::time_point wait_until) {
    Status usable = backend.can_run();
    bool waited = false;
    while (!usable && std::chrono::steady_clock::now() < wait_until && backend.may_come_up()) {
        waited = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        usable = backend.can_run();
    }
    if (!usable && waited)
        return fail(usable.reason() + " (waited " + std::to_string(login_desktop_wait.count()) +
                    " s for it)");
    return usable;
}

} // namespace

ApplyAttempt apply_through_backends(const std::string& image_path, const BackendList& backends,
                                    std::chrono::steady_clock::time_point wait_until) {
    if (image_path.empty())
        return {fail("Wallpaper not changed: the entry is empty, not an image path"), false};
    std::string tried;
    for (const auto& backend : backends) {
        Status usable = reachable(*backend, wait_until);
        if (!usable) {
            tried += std::string(tried.empty() ? "" : "; ") + backend->name() + ": " + usable.reason();
            continue;
        }
        Status applied = backend->apply(image_path);
        if (!applied)
            return {fail("Wallpaper not changed: " + applied.reason()), true};
        if (!tried.empty()) // never a silent fallback: the session's own desktop may paint over it
            return {{},
                    true,
                    std::string("Wallpaper set through ") + backend->name() + " instead (" + tried + ")"};
        return {{}, true};
    }
    return {fail("Wallpaper not changed: no desktop found to set it on (" +
                 (tried.empty() ? std::string("nothing to try") : tried) + ")"),
            false};
}

} // namespace wallcycle
