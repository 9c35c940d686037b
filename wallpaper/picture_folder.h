#pragma once
// An entry of the list that names a folder stands for the pictures in it and in its subfolders.

#include "platform/result.h"

#include <string>
#include <vector>

namespace wallcycle {

// The limits of a walk through a folder: a sane depth and number of pictures.
inline constexpr int deepest_folder_level = 16;
inline constexpr std::size_t most_pictures_in_folder = 1'000'000;

// The pictures in a folder and its subfolders, in name order within each folder: hidden files and
// folders are skipped, and so are files that are not pictures; each folder is entered once, so
// links that loop are harmless; at most deepest_folder_level levels down. Fails only when the
// folder itself cannot be read; a subfolder that cannot be read is passed over.
Result<std::vector<std::string>> pictures_in_folder(const std::string& folder);

} // namespace wallcycle
