#include "wallpaper/picture_folder.h"

#include "pictures/picture_formats.h"
#include "platform/file_io.h"
#include "platform/program_facts.h"

#include <algorithm>
#include <unordered_set>

namespace wallcycle {
namespace {

struct Walk {
    std::unordered_set<std::string> entered;
    std::vector<std::string> pictures;
    std::string separator = path_separator();
    std::string unreadable; // why the folder the walk began in cannot be read

    void enter(const std::string& folder, int level) {
        if (level > deepest_folder_level || pictures.size() >= most_pictures_in_folder)
            return;
        std::string identity = folder_identity(folder);
        if (!identity.empty() && !entered.insert(identity).second)
            return; // reached again through a link
        Result<std::vector<FolderEntry>> listed = list_folder(folder);
        if (!listed) {
            if (level == 0)
                unreadable = listed.reason();
            return;
        }
        std::vector<FolderEntry>& entries = listed.value();
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        std::string prefix = folder.empty() || folder.back() == '/' || folder.back() == separator.front()
                                 ? folder
                                 : folder + separator;
        for (const FolderEntry& entry : entries) {
            if (entry.hidden)
                continue;
            if (entry.kind == FileKind::Regular && looks_like_picture(entry.name)) {
                if (pictures.size() >= most_pictures_in_folder)
                    return;
                pictures.push_back(prefix + entry.name);
            } else if (entry.kind == FileKind::Folder) {
                enter(prefix + entry.name, level + 1);
            }
        }
    }
};

} // namespace

Result<std::vector<std::string>> pictures_in_folder(const std::string& folder) {
    Walk walk;
    walk.enter(folder, 0);
    if (!walk.unreadable.empty())
        return fail(walk.unreadable);
    return std::move(walk.pictures);
}

} // namespace wallcycle
