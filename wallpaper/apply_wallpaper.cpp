#include "wallpaper/apply_wallpaper.h"

#include "wallpaper/random_pick.h"

namespace wallcycle {

Status ApplyWallpaper(const std::string& image_path, const BackendList& backends) {
    if (image_path.empty())
        return fail("Wallpaper not changed: the entry is empty, not an image path");
    std::string tried;
    for (const auto& backend : backends) {
        Status usable = backend->can_run();
        if (!usable) {
            tried += std::string(tried.empty() ? "" : "; ") + backend->name() + ": " + usable.reason();
            continue;
        }
        Status applied = backend->apply(image_path);
        if (!applied)
            return fail("Wallpaper not changed: " + applied.reason());
        return {};
    }
    return fail("Wallpaper not changed: no desktop found to set it on (" +
                (tried.empty() ? std::string("nothing to try") : tried) + ")");
}

PickOutcome apply_random_entry(const std::vector<std::string>& entries, const BackendList& backends) {
    std::optional<std::string> picked = PickRandomEntry(entries);
    if (!picked)
        return {{}, fail("Wallpaper not changed: the image list is empty")};
    Status status = ApplyWallpaper(*picked, backends);
    return {std::move(*picked), std::move(status)};
}

} // namespace wallcycle
