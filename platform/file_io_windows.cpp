#include "platform/file_io.h"

#include "platform/shown_path.h"
#include "platform/wide_text_windows.h"

#include <new>
#include <windows.h>

namespace wallcycle {
namespace {

std::string describe(const std::string& what, const std::string& path, DWORD error) {
    return what + " " + shown_path(path) + ": " + system_message(error);
}

std::string parent_of(const std::string& path) {
    auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};

// "k_save.dat.1234-5678.tmp": the file's name, the saving process and its tick count.
bool is_our_temporary(std::wstring_view name, std::wstring_view base) {
    if (name.size() < base.size() + 8 || name.substr(0, base.size()) != base || name[base.size()] != L'.' ||
        name.substr(name.size() - 4) != L".tmp")
        return false;
    std::wstring_view middle = name.substr(base.size() + 1, name.size() - base.size() - 5);
    bool dash = false;
    for (wchar_t c : middle) {
        if (c == L'-' && !dash)
            dash = true;
        else if (c < L'0' || c > L'9')
            return false;
    }
    return dash;
}

// Temporary files of saves killed before their rename. One that a save still has open cannot be
// deleted (it is opened without sharing), and one written in the last minute is left alone.
void remove_stale_temporaries(const std::string& path) {
    std::wstring wide = widen(path);
    auto slash = wide.find_last_of(L"\\/");
    std::wstring folder = slash == std::wstring::npos ? std::wstring() : wide.substr(0, slash + 1);
    std::wstring base = slash == std::wstring::npos ? wide : wide.substr(slash + 1);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((wide + L".*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FILETIME now_time{};
    GetSystemTimeAsFileTime(&now_time);
    auto ticks = [](FILETIME t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    constexpr unsigned long long one_minute = 60ULL * 10'000'000ULL; // in 100 ns units
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !is_our_temporary(found.cFileName, base))
            continue;
        if (ticks(now_time) - ticks(found.ftLastWriteTime) < one_minute)
            continue;
        DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

bool file_exists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

Result<FileKind> file_kind(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        return fail("cannot open " + shown_path(path) + ": the path contains a NUL character");
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return FileKind::Missing;
        return fail(describe("cannot open", path, error));
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return FileKind::Folder;
    return (attributes & FILE_ATTRIBUTE_DEVICE) ? FileKind::Special : FileKind::Regular;
}

Result<std::vector<FolderEntry>> list_folder(const std::string& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(widen(path + "\\*").c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) // a drive's root with nothing in it
            return std::vector<FolderEntry>{};
        return fail(describe("cannot read the folder", path, error));
    }
    std::vector<FolderEntry> entries;
    do {
        std::wstring_view name(found.cFileName);
        if (name == L"." || name == L"..")
            continue;
        DWORD attributes = found.dwFileAttributes;
        FileKind kind = FileKind::Regular;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            kind = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FileKind::Special : FileKind::Folder;
        else if (attributes & FILE_ATTRIBUTE_DEVICE)
            kind = FileKind::Special;
        entries.push_back(
            {narrow(name), kind, name.front() == L'.' || (attributes & FILE_ATTRIBUTE_HIDDEN) != 0});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

// Junctions and folder links are never entered, so the path itself identifies the folder.
std::string folder_identity(const std::string& path) {
    return canonical_path(path);
}

Result<std::string> read_whole_file(const std::string& path, std::size_t max_bytes) {
    Result<FileKind> kind = file_kind(path);
    if (!kind)
        return fail(kind.reason());
    if (*kind == FileKind::Folder || *kind == FileKind::Special)
        return fail("cannot read " + shown_path(path) + ": " + not_a_file_reason(*kind));
    Handle file{CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.h == INVALID_HANDLE_VALUE)
        return fail(describe("cannot open", path, GetLastError()));
    if (GetFileType(file.h) != FILE_TYPE_DISK) // a pipe or a device would block the read
        return fail("cannot read " + shown_path(path) + ": " + not_a_file_reason(FileKind::Special));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.h, &size))
        return fail(describe("cannot read", path, GetLastError()));
    if (static_cast<unsigned long long>(size.QuadPart) > max_bytes)
        return fail("cannot read " + shown_path(path) + ": the file is larger than " +
                    std::to_string(max_bytes >> 20) + " MiB");
    std::string content;
    try { // the whole file is held: where memory runs short, that is the reason, never an abort
        content.resize(static_cast<size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return fail("cannot read " + shown_path(path) + ": there is not enough memory for the file");
    }
    size_t filled = 0;
    while (filled < content.size()) {
        DWORD got = 0;
        if (!ReadFile(file.h, content.data() + filled, static_cast<DWORD>(content.size() - filled), &got,
                      nullptr))
            return fail(describe("cannot read", path, GetLastError()));
        if (got == 0)
            break;
        filled += got;
    }
    content.resize(filled);
    return content;
}

Status replace_file_atomically(const std::string& path, std::string_view bytes, std::string_view) {
    remove_stale_temporaries(path);
    std::string temporary =
        path + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + ".tmp";
    std::wstring wide_temporary = widen(temporary);
    {
        Handle file{CreateFileW(wide_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
        if (file.h == INVALID_HANDLE_VALUE)
            return fail(describe("cannot create a file in", parent_of(path), GetLastError()));
        size_t written = 0;
        while (written < bytes.size()) {
            DWORD wrote = 0;
            if (!WriteFile(file.h, bytes.data() + written, static_cast<DWORD>(bytes.size() - written), &wrote,
                           nullptr)) {
                DWORD error = GetLastError();
                CloseHandle(file.h);
                file.h = INVALID_HANDLE_VALUE;
                DeleteFileW(wide_temporary.c_str());
                return fail(describe("cannot write", temporary, error));
            }
            written += wrote;
        }
        if (!FlushFileBuffers(file.h)) {
            DWORD error = GetLastError();
            CloseHandle(file.h);
            file.h = INVALID_HANDLE_VALUE;
            DeleteFileW(wide_temporary.c_str());
            return fail(describe("cannot flush", temporary, error));
        }
    }
    if (!MoveFileExW(wide_temporary.c_str(), widen(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        DeleteFileW(wide_temporary.c_str());
        return fail(describe("cannot replace", path, error));
    }
    return {};
}

Status make_directories(const std::string& path) {
    if (path.empty() || file_exists(path))
        return {};
    std::string parent = parent_of(path);
    if (parent != path && parent != ".")
        if (Status made = make_directories(parent); !made)
            return made;
    if (!CreateDirectoryW(widen(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return fail(describe("cannot create the folder", path, GetLastError()));
    return {};
}

std::string canonical_path(const std::string& path) {
    std::wstring wide = widen(path);
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return path;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    full.resize(length);
    return narrow(full);
}

bool marked_read_only(const std::string& path) {
    DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
           (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

} // namespace wallcycle
