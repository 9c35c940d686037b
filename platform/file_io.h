#pragma once
// The few file operations the settings store needs, with reasons a user can act on.

#include "platform/result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wallcycle {

bool file_exists(const std::string& path);

enum class FileKind { Missing, Regular, Folder, Special };

// What the path names, following symbolic links, found without opening it (so a named pipe or a
// device never blocks); or why it cannot be told (a loop of symbolic links, a folder on the way
// that cannot be searched).
Result<FileKind> file_kind(const std::string& path);

// One entry of a folder. Links are followed for the kind, except that on Windows a folder that is
// a junction or link is Special (never entered, so it cannot loop).
struct FolderEntry {
    std::string name;
    FileKind kind;
    bool hidden; // the name starts with "." (or, on Windows, the entry is marked hidden)
};

// The entries of a folder ("." and ".." left out), or why it cannot be read.
Result<std::vector<FolderEntry>> list_folder(const std::string& path);

// What identifies a folder however it is reached, so that a walk enters each once; empty when the
// system cannot tell.
std::string folder_identity(const std::string& path);

// Why a path of this kind is not a file to read, for messages ("it is a folder, not a file").
std::string not_a_file_reason(FileKind kind);

// The whole file, or why not. Files above max_bytes, and anything that is not a regular file
// (a named pipe, a device), are refused before a byte is read, without ever blocking.
Result<std::string> read_whole_file(const std::string& path, std::size_t max_bytes);

// Replaces the file so that at every moment it holds either the old or the new content in full:
// a temporary file beside it is written, flushed to disk and renamed over it. The new file keeps
// the old one's owner, group, mode and access list (or the save fails, the old file left); a
// symbolic link stays a link, the file it names replaced. A hard link of the old file keeps the
// old content. Temporary files of earlier saves that were killed before their rename (named with
// a marker of ours) are removed; no other file is. Where `kin` is given (files written under a new
// name each time), the temporaries of killed saves of any file whose name starts with it go too.
Status replace_file_atomically(const std::string& path, std::string_view bytes, std::string_view kin = {});

// Whether the file there is marked read-only: no write permission for anyone (Linux), the
// read-only attribute (Windows). False when there is no such file.
bool marked_read_only(const std::string& path);

// Creates the directory and its parents where they are missing.
Status make_directories(const std::string& path);

// The path with symbolic links and "." / ".." resolved, or the path itself when that fails.
std::string canonical_path(const std::string& path);

} // namespace wallcycle
