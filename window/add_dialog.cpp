#include "window/add_dialog.h"

#include <algorithm>

namespace wallcycle {

namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        auto at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string without_blanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t')
            out += c;
    return out;
}

} // namespace

std::vector<FileFilter> parse_file_filters(std::string_view filter) {
    std::vector<FileFilter> filters;
    std::vector<std::string_view> parts = split(filter, '|');
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        FileFilter entry{std::string(parts[i]), {}};
        for (std::string_view pattern : split(parts[i + 1], ';'))
            if (std::string clean = without_blanks(pattern); !clean.empty())
                entry.patterns.push_back(clean);
        filters.push_back(std::move(entry));
    }
    return filters;
}

std::vector<std::string> entries_to_add(const std::vector<std::string>& chosen, bool whole_folders,
                                        std::string_view separators) {
    if (!whole_folders)
        return chosen;
    std::vector<std::string> folders;
    for (const std::string& path : chosen) {
        auto cut = path.find_last_of(separators);
        if (cut == std::string::npos)
            continue;
        std::string folder = path.substr(0, cut == 0 ? 1 : cut); // "/a.png" is in "/"
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(std::move(folder));
    }
    return folders;
}

} // namespace wallcycle
