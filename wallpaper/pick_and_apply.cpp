#include "wallpaper/pick_and_apply.h"

#include "pictures/picture_formats.h"
#include "platform/file_io.h"
#include "platform/random_fraction.h"
#include "platform/shown_path.h"
#include "wallpaper/picture_folder.h"
#include "wallpaper/random_pick.h"

#include <algorithm>
#include <string_view>

namespace wallcycle {
namespace {

// A name that ends like a picture is taken for one without asking the disk: a list of pictures
// is picked from without a call to the disk per entry.
bool names_a_folder(const std::string& entry) {
    if (entry.empty() || looks_like_picture(entry))
        return false;
    Result<FileKind> kind = file_kind(entry);
    return kind && *kind == FileKind::Folder;
}

// One picture, as it is.
PickOutcome applied_alone(std::string path, const BackendList& backends,
                          std::chrono::steady_clock::time_point wait_until) {
    ApplyAttempt applied = apply_through_backends(path, backends, wait_until);
    std::vector<std::string> notes;
    if (!applied.fallback.empty())
        notes.push_back(std::move(applied.fallback));
    return {std::move(path), std::move(applied.status), std::move(notes)};
}

// The pictures to draw from; those from index `from_folders` on came from folders and may be
// skipped when they turn out unusable.
struct Pool {
    std::vector<std::string_view> pictures;
    std::size_t from_folders = 0;
    std::string why_empty;
};

PickOutcome draw_and_apply(Pool pool, const BackendList& backends,
                           std::chrono::steady_clock::time_point wait_until, const FractionSource& fraction) {
    std::vector<std::string> notes;
    for (int attempt = 1;; ++attempt) {
        if (pool.pictures.empty())
            return {{}, fail("Wallpaper not changed: " + pool.why_empty), std::move(notes)};
        std::size_t index = pick_index(pool.pictures.size(), fraction ? fraction() : clock_seeded_fraction());
        std::string path(pool.pictures[index]);
        ApplyAttempt applied = apply_through_backends(path, backends, wait_until);
        if (!applied.fallback.empty())
            notes.push_back(std::move(applied.fallback));
        bool skippable = index >= pool.from_folders && applied.desktop_reached;
        if (applied.status || !skippable || attempt == picture_attempts)
            return {std::move(path), std::move(applied.status), std::move(notes)};
        notes.push_back("skipped a picture: " + applied.status.reason());
        pool.pictures[index] = pool.pictures.back(); // from a folder too: the plain ones stay in front
        pool.pictures.pop_back();
        pool.why_empty = "no usable picture in the folders of the list";
    }
}

// The pool without the picture to avoid, when it holds another.
void leave_out(Pool& pool, std::string_view avoid) {
    if (avoid.empty() || std::all_of(pool.pictures.begin(), pool.pictures.end(),
                                     [&](std::string_view p) { return p == avoid; }))
        return;
    std::size_t kept = 0, from_folders = pool.from_folders;
    for (std::size_t i = 0; i < pool.pictures.size(); ++i) {
        if (pool.pictures[i] == avoid) {
            from_folders -= i < pool.from_folders;
            continue;
        }
        pool.pictures[kept++] = pool.pictures[i];
    }
    pool.pictures.resize(kept);
    pool.from_folders = from_folders;
}

} // namespace

PickOutcome apply_random_entry(const std::vector<std::string>& entries, const BackendList& backends,
                               std::chrono::steady_clock::time_point wait_until,
                               const FractionSource& fraction, std::string_view avoid) {
    std::vector<std::size_t> folders;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (names_a_folder(entries[i]))
            folders.push_back(i);
    if (folders.empty() && avoid.empty()) {
        std::optional<std::string> picked = PickRandomEntry(entries, fraction);
        if (!picked)
            return {{}, fail("Wallpaper not changed: the image list is empty")};
        return applied_alone(std::move(*picked), backends, wait_until);
    }
    Pool pool;
    std::vector<std::vector<std::string>> listed;
    for (std::size_t i = 0, next = 0; i < entries.size(); ++i) {
        if (next < folders.size() && folders[next] == i) {
            ++next;
            continue;
        }
        pool.pictures.push_back(entries[i]);
    }
    pool.from_folders = pool.pictures.size();
    std::string unreadable;
    for (std::size_t i : folders) {
        Result<std::vector<std::string>> pictures = pictures_in_folder(entries[i]);
        if (!pictures) {
            unreadable += (unreadable.empty() ? "" : "; ") + pictures.reason();
            continue;
        }
        listed.push_back(std::move(pictures.value()));
    }
    for (const auto& pictures : listed)
        pool.pictures.insert(pool.pictures.end(), pictures.begin(), pictures.end());
    pool.why_empty = unreadable.empty() ? "the folders in the list hold no pictures" : unreadable;
    if (entries.empty())
        pool.why_empty = "the image list is empty";
    leave_out(pool, avoid);
    return draw_and_apply(std::move(pool), backends, wait_until, fraction);
}

PickOutcome apply_entry(const std::string& entry, const BackendList& backends,
                        const FractionSource& fraction) {
    if (!names_a_folder(entry))
        return applied_alone(entry, backends, {});
    Result<std::vector<std::string>> pictures = pictures_in_folder(entry);
    if (!pictures)
        return {entry, fail("Wallpaper not changed: " + pictures.reason())};
    Pool pool;
    pool.pictures.assign(pictures->begin(), pictures->end());
    pool.why_empty = "the folder " + shown_path(entry) + " holds no pictures";
    PickOutcome outcome = draw_and_apply(std::move(pool), backends, {}, fraction);
    if (outcome.path.empty())
        outcome.path = entry;
    return outcome;
}

} // namespace wallcycle
