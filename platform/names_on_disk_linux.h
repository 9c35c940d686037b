#pragma once
// File names as the disk has them, from names a toolkit shows. Linux names are bytes; a toolkit
// that holds them as Unicode text shows the bytes that are not UTF-8 as U+FFFD and cannot give
// them back, so they are found again on the disk.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wallcycle {

// The path whose shown form (UTF-8, a U+FFFD standing for bytes that were not UTF-8) is `shown`:
// the path itself when it has no U+FFFD, else the one entry of each folder on the way that the
// shown name can stand for. Nothing when no entry, or more than one, can be meant.
std::optional<std::string> name_on_disk(const std::string& shown);

// The local files of a text/uri-list (a drop's), each its exact bytes: "file:" addresses with
// their %XX escapes undone. Anything else in the list is left out.
std::vector<std::string> local_files_in_uri_list(std::string_view uri_list);

} // namespace wallcycle
