#pragma once
// The add command's file dialog, apart from any window toolkit: its filters and what a choice adds.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wallcycle {

// One filter of the file-open dialog: a description and the patterns it matches.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

// Reads "description|pattern|description|pattern…". Blanks inside a pattern are dropped
// ("* .bmp" matches as "*.bmp"); several patterns are separated by ";".
std::vector<FileFilter> parse_file_filters(std::string_view filter);

// The filter the add command shows first.
inline constexpr std::string_view add_dialog_filter = "*.bmp| * .bmp";

// The add dialog's other filters, after that one, in this order.
inline constexpr std::string_view all_images_filter_name = "すべての画像";
inline constexpr std::string_view all_files_filter_name = "すべてのファイル";
// Shows every file; whatever is chosen with it adds the folder it is in, which then stands for
// all the pictures in it and its subfolders.
inline constexpr std::string_view whole_folder_filter_name = "選んだファイルのフォルダーごと追加";

// What a choice in the add dialog adds: the chosen files in the order given, or, with the folder
// filter, the folders they are in, each once.
std::vector<std::string> entries_to_add(const std::vector<std::string>& chosen, bool whole_folders,
                                        std::string_view separators);

} // namespace wallcycle
