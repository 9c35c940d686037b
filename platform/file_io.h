#pragma once
// The few file operations the settings store needs, with reasons a user can act on.

#include "platform/result.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace wallcycle {

bool file_exists(const std::string& path);

// The whole file, or why not. Files above max_bytes are refused before they are read.
Result<std::string> read_whole_file(const std::string& path, std::size_t max_bytes);

// Replaces the file so that at every moment it holds either the old or the new content in full:
// a temporary file beside it is written, flushed to disk and renamed over it.
Status replace_file_atomically(const std::string& path, std::string_view bytes);

// Creates the directory and its parents where they are missing.
Status make_directories(const std::string& path);

// The path with symbolic links and "." / ".." resolved, or the path itself when that fails.
std::string canonical_path(const std::string& path);

} // namespace wallcycle
