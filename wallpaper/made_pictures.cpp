#include "wallpaper/made_pictures.h"

#include "pictures/png_writer.h"
#include "platform/file_io.h"
#include "platform/program_facts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace wallcycle {
namespace {

std::string made_folder() {
    return xdg_folder("XDG_DATA_HOME", "/.local/share") + "/wallcycle";
}

std::string made_prefix(std::string_view desktop) {
    return std::string(desktop) + "-wallpaper-";
}

std::string base_name(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// A name never used before: desktops keep what they drew by file name (gnome-shell shows the
// old picture for a name it has shown before, even after the file was replaced).
std::string new_made_name(std::string_view desktop) {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    char token[32];
    std::snprintf(
        token, sizeof token, "%llx",
        static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return made_folder() + "/" + made_prefix(desktop) + token + ".png";
}

// Whether the folder entry `name` is a picture this program made for `desktop`: named as it names
// them, a file of this user's own (not a link), carrying the program's mark.
bool made_by_us(const std::string& folder, const std::string& name, std::string_view desktop) {
    const std::string prefix = made_prefix(desktop);
    if (!name.starts_with(prefix) || !name.ends_with(".png"))
        return false;
    std::string_view token = std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - 4);
    if (token.empty() || token.size() > 16 ||
        token.find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return false;
    const std::string path = folder + "/" + name;
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid())
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rbe");
    if (file == nullptr)
        return false;
    char first[128];
    std::size_t got = std::fread(first, 1, sizeof first, file);
    std::fclose(file);
    return has_program_mark({first, got});
}

} // namespace

Result<MadePictureFile> write_made_picture(std::string_view desktop, std::string_view png) {
    if (Status folder = make_directories(made_folder()); !folder)
        return fail(folder.reason());
    std::string target = new_made_name(desktop);
    Result<HeldFile> written = write_held_file(target, png, made_prefix(desktop));
    if (!written)
        return fail("cannot write the picture made for the desktop: " + written.reason());
    return MadePictureFile{target, std::move(written.value())};
}

std::vector<UnheldPicture> unheld_made_pictures(std::string_view desktop, const std::string& keep) {
    // Only in the program's own folder, never one reached through a link.
    const std::string folder = made_folder();
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return {};
    Result<std::vector<FolderEntry>> entries = list_folder(folder);
    if (!entries)
        return {};
    std::vector<UnheldPicture> unheld;
    for (const FolderEntry& entry : entries.value()) {
        std::string path = folder + "/" + entry.name;
        if (path == keep || !made_by_us(folder, entry.name, desktop))
            continue;
        if (HeldFile taken = take_unless_held(path); taken.held())
            unheld.push_back({path, std::move(taken)});
    }
    return unheld;
}

void remove_unless_named(const std::vector<UnheldPicture>& pictures, const std::vector<std::string>& named) {
    std::vector<std::string> names;
    for (const std::string& path : named)
        names.push_back(base_name(path));
    for (const UnheldPicture& picture : pictures)
        if (std::find(names.begin(), names.end(), base_name(picture.path)) == names.end())
            std::remove(picture.path.c_str());
}

} // namespace wallcycle
