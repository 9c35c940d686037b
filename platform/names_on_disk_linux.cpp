#include "platform/names_on_disk_linux.h"

#include "platform/file_io.h"

#include <vector>

namespace wallcycle {
namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

// Whether `name` can be what `shown` shows: its text as it is, each run of U+FFFD one or more
// bytes. A run becomes "one byte, then any number", matched as wildcards are (the last "any
// number" taken back a byte at a time), so that no name costs more than its length times the
// shown one's.
bool can_show(std::string_view shown, std::string_view name) {
    constexpr int one = -1, any = -2; // wildcards among the bytes 0-255 to match
    std::vector<int> pattern;
    for (std::size_t i = 0; i < shown.size();) {
        if (!shown.substr(i).starts_with(replacement)) {
            pattern.push_back(static_cast<unsigned char>(shown[i++]));
            continue;
        }
        while (shown.substr(i).starts_with(replacement))
            i += replacement.size();
        pattern.insert(pattern.end(), {one, any});
    }
    std::size_t p = 0, n = 0, star = std::string::npos, star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == any) {
            star = p++;
            star_n = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == one || pattern[p] == static_cast<unsigned char>(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == any)
        ++p;
    return p == pattern.size();
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::string> name_on_disk(const std::string& shown) {
    if (shown.find(replacement) == std::string::npos)
        return shown;
    std::string found;
    std::size_t at = 0;
    while (at < shown.size()) {
        std::size_t slash = shown.find('/', at);
        std::size_t end = slash == std::string::npos ? shown.size() : slash;
        std::string_view part = std::string_view(shown).substr(at, end - at);
        if (part.find(replacement) == std::string_view::npos) {
            found += part;
        } else {
            Result<std::vector<FolderEntry>> entries = list_folder(found.empty() ? "." : found);
            if (!entries)
                return std::nullopt;
            const std::string* match = nullptr;
            for (const FolderEntry& entry : entries.value())
                if (can_show(part, entry.name)) {
                    if (match != nullptr)
                        return std::nullopt; // two names look alike: neither is taken for the other
                    match = &entry.name;
                }
            if (match == nullptr)
                return std::nullopt;
            found += *match;
        }
        if (slash == std::string::npos)
            break;
        found += '/';
        at = slash + 1;
    }
    return found;
}

std::vector<std::string> local_files_in_uri_list(std::string_view uri_list) {
    std::vector<std::string> files;
    while (!uri_list.empty()) {
        std::size_t end = uri_list.find('\n');
        std::string_view line = uri_list.substr(0, end);
        uri_list.remove_prefix(end == std::string_view::npos ? uri_list.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.starts_with("file://localhost/"))
            line.remove_prefix(16);
        else if (line.starts_with("file:///"))
            line.remove_prefix(7);
        else
            continue; // a comment, another host, another scheme
        std::string path;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '%' && i + 2 < line.size() && hex_value(line[i + 1]) >= 0 &&
                hex_value(line[i + 2]) >= 0) {
                path += static_cast<char>(hex_value(line[i + 1]) * 16 + hex_value(line[i + 2]));
                i += 2;
            } else {
                path += line[i];
            }
        }
        if (path.find('\0') == std::string::npos)
            files.push_back(std::move(path));
    }
    return files;
}

} // namespace wallcycle
