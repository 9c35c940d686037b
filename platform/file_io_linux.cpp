#include "platform/file_io.h"

#include "platform/held_file_linux.h"
#include "platform/open_file_linux.h"
#include "platform/shown_path.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <new>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace wallcycle {
namespace {

std::string describe(const std::string& what, const std::string& path, int error) {
    return what + " " + shown_path(path) + ": " + std::strerror(error);
}

std::string parent_of(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// The mode a plain create would give under the umask, for a file that is new. The umask is read,
// not set and put back: other threads (Qt's, GLib's) may create files meanwhile. Where the system
// does not tell it, the temporary file's own mode stays: readable by the user alone.
mode_t new_file_mode() {
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (status == nullptr)
        return 0600;
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status) != nullptr)
        found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    return found ? 0666 & ~static_cast<mode_t>(mask) : 0600;
}

// The new file gets what the old one had: owner and group, mode, access list. What cannot be kept
// fails the save (the old file stays), rather than change who may read the user's list.
const char* keep_what_the_old_had(int fd, const std::string& old_path, const struct stat* old) {
    if (old == nullptr)
        return fchmod(fd, new_file_mode()) == 0 ? nullptr : "cannot set the permissions of";
    struct stat made {};
    if (fstat(fd, &made) != 0)
        return "cannot read";
    if ((made.st_uid != old->st_uid || made.st_gid != old->st_gid) &&
        fchown(fd, old->st_uid, old->st_gid) != 0)
        return "cannot give the owner and group of the old file to";
    if (fchmod(fd, old->st_mode & 07777) != 0)
        return "cannot set the permissions of";
    char acl[4096];
    ssize_t length = getxattr(old_path.c_str(), "system.posix_acl_access", acl, sizeof acl);
    if (length > 0 && fsetxattr(fd, "system.posix_acl_access", acl, static_cast<std::size_t>(length), 0) != 0)
        return "cannot give the access list of the old file to";
    return nullptr;
}

// The file a save replaces: for a symbolic link, the file it names (the link stays a link).
std::string file_behind(const std::string& path) {
    std::string target = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        std::string link(PATH_MAX, '\0');
        ssize_t length = readlink(target.c_str(), link.data(), link.size());
        if (length <= 0)
            return target;
        link.resize(static_cast<std::size_t>(length));
        target = link.front() == '/' ? link : parent_of(target) + "/" + link;
    }
    return target;
}

// A save holds an exclusive lock on its folder from creating its temporary file to the rename, so
// while we hold it no other save of ours is under way. Waits a little for one that is; a save
// that never gets the lock still goes ahead, it only leaves the clean-up to a later one.
bool lock_folder(int dir_fd) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (flock(dir_fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Our temporary files carry a marker no user's file has: "k_save.dat.wallcycle-save-AbC123", the
// file's name, the marker and the six letters or digits mkostemp chose.
constexpr std::string_view temporary_marker = ".wallcycle-save-";

// Whether `name` is a temporary of ours for the file `base`, or, where `kin` is given, for any
// file whose name starts with it.
bool is_our_temporary(std::string_view name, std::string_view base, std::string_view kin) {
    const std::size_t tail = temporary_marker.size() + 6;
    if (name.size() <= tail || name.substr(name.size() - tail, temporary_marker.size()) != temporary_marker)
        return false;
    for (char c : name.substr(name.size() - 6))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    std::string_view of = name.substr(0, name.size() - tail);
    return of == base || (!kin.empty() && of.starts_with(kin));
}

// Temporary files left by saves that were killed before their rename. Called with the folder
// locked: none of them belongs to a save still running. Only our own regular files are removed.
void remove_stale_temporaries(int dir_fd, const std::string& base, std::string_view kin) {
    int scan_fd = dup(dir_fd);
    if (scan_fd < 0)
        return;
    DIR* folder = fdopendir(scan_fd);
    if (folder == nullptr) {
        close(scan_fd);
        return;
    }
    while (const dirent* entry = readdir(folder)) {
        if (!is_our_temporary(entry->d_name, base, kin))
            continue;
        struct stat info {};
        if (fstatat(dir_fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == geteuid())
            unlinkat(dir_fd, entry->d_name, 0);
    }
    closedir(folder);
}

std::string base_name(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool file_exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

Result<FileKind> file_kind(const std::string& path) {
    if (path.find('\0') != std::string::npos)
        return fail("cannot open " + shown_path(path) + ": the path contains a NUL character");
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return FileKind::Missing;
        return fail(describe("cannot open", path, errno));
    }
    if (S_ISREG(info.st_mode))
        return FileKind::Regular;
    return S_ISDIR(info.st_mode) ? FileKind::Folder : FileKind::Special;
}

Result<std::vector<FolderEntry>> list_folder(const std::string& path) {
    DIR* folder = opendir(path.c_str());
    if (folder == nullptr)
        return fail(describe("cannot read the folder", path, errno));
    std::vector<FolderEntry> entries;
    int fd = dirfd(folder);
    while (const dirent* entry = readdir(folder)) {
        std::string_view name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        FileKind kind = FileKind::Special;
        unsigned char type = entry->d_type;
        // A link, or a file system that does not tell: look at what it leads to.
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat info {};
            if (fstatat(fd, entry->d_name, &info, 0) != 0)
                continue; // a dangling link, or gone since: nothing there to show
            type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_FIFO;
        }
        if (type == DT_REG)
            kind = FileKind::Regular;
        else if (type == DT_DIR)
            kind = FileKind::Folder;
        entries.push_back({std::string(name), kind, name.front() == '.'});
    }
    closedir(folder);
    return entries;
}

std::string folder_identity(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return {};
    return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
}

OpenFile::~OpenFile() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

Result<OpenFile> open_regular_file(const std::string& path, std::size_t max_bytes) {
    if (path.find('\0') != std::string::npos)
        return fail("cannot open " + shown_path(path) + ": the path contains a NUL character");
    OpenFile file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.descriptor() < 0)
        return fail(describe("cannot open", path, errno));
    struct stat info {};
    if (fstat(file.descriptor(), &info) != 0)
        return fail(describe("cannot read", path, errno));
    if (!S_ISREG(info.st_mode))
        return fail("cannot read " + shown_path(path) + ": " +
                    not_a_file_reason(S_ISDIR(info.st_mode) ? FileKind::Folder : FileKind::Special));
    if (static_cast<unsigned long long>(info.st_size) > max_bytes)
        return fail("cannot read " + shown_path(path) + ": the file is larger than " +
                    std::to_string(max_bytes >> 20) + " MiB");
    return file;
}

Result<std::string> read_from_start(const OpenFile& file, const std::string& path, std::size_t max_bytes) {
    struct stat info {};
    if (fstat(file.descriptor(), &info) != 0)
        return fail(describe("cannot read", path, errno));
    std::string content;
    // The whole file is held: where memory runs short, that is the reason, never an abort.
    auto grow = [&content](std::size_t size) {
        try {
            content.resize(size);
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    };
    const std::string no_memory =
        "cannot read " + shown_path(path) + ": there is not enough memory for the file";
    // One byte more than the file holds, so that its end is seen without growing (and copying) it.
    if (!grow(std::min(static_cast<std::size_t>(info.st_size), max_bytes) + 1))
        return fail(no_memory);
    std::size_t filled = 0;
    for (;;) {
        if (filled == content.size() && !grow(content.size() + 4096)) // the file may have grown since
            return fail(no_memory);
        ssize_t got = pread(file.descriptor(), content.data() + filled, content.size() - filled,
                            static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(describe("cannot read", path, errno));
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
        if (filled > max_bytes)
            return fail("cannot read " + shown_path(path) + ": the file is too large");
    }
    content.resize(filled);
    return content;
}

Result<std::string> read_whole_file(const std::string& path, std::size_t max_bytes) {
    Result<OpenFile> file = open_regular_file(path, max_bytes);
    if (!file)
        return fail(file.reason());
    return read_from_start(file.value(), path, max_bytes);
}

namespace {

// replace_file_atomically, the new file held by this process when `hold` is given.
Status write_beside(const std::string& link_or_file, std::string_view bytes, std::string_view kin,
                    HeldFile* hold) {
    const std::string path = file_behind(link_or_file);
    std::string directory = parent_of(path);
    struct Folder {
        int fd;
        ~Folder() {
            if (fd >= 0)
                close(fd); // also releases the lock
        }
    } folder{open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd >= 0 && lock_folder(folder.fd))
        remove_stale_temporaries(folder.fd, base_name(path), kin);

    struct stat old {};
    bool had_old = stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string temporary = path + std::string(temporary_marker) + "XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(describe("cannot create a file in", directory, errno));
    auto abandon = [&](const char* what) {
        int error = errno;
        close(fd);
        unlink(temporary.c_str());
        return fail(describe(what, temporary, error));
    };
    // Where the file system takes no locks the file is written all the same, unheld.
    if (hold != nullptr)
        flock(fd, LOCK_SH);
    if (const char* not_kept = keep_what_the_old_had(fd, path, had_old ? &old : nullptr))
        return abandon(not_kept);
    if (!write_all(fd, bytes))
        return abandon("cannot write");
    if (fsync(fd) != 0)
        return abandon("cannot flush");
    if (hold != nullptr) {
        *hold = HeldFile(fd); // the lock goes with the file to its new name
    } else if (close(fd) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        return fail(describe("cannot write", temporary, error));
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        if (hold != nullptr)
            *hold = HeldFile();
        return fail(describe("cannot replace", path, error));
    }
    // The rename itself reaches the disk only when the directory is flushed.
    if (folder.fd >= 0)
        fsync(folder.fd);
    return {};
}

} // namespace

Status replace_file_atomically(const std::string& link_or_file, std::string_view bytes,
                               std::string_view kin) {
    return write_beside(link_or_file, bytes, kin, nullptr);
}

Result<HeldFile> write_held_file(const std::string& path, std::string_view bytes, std::string_view kin) {
    HeldFile hold;
    if (Status written = write_beside(path, bytes, kin, &hold); !written)
        return fail(written.reason());
    return hold;
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0)
            close(descriptor_);
        descriptor_ = other.descriptor_;
        other.descriptor_ = -1;
    }
    return *this;
}

HeldFile::~HeldFile() {
    if (descriptor_ >= 0)
        close(descriptor_);
}

HeldFile take_unless_held(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    HeldFile file(fd);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    // A file system that takes no locks holds nothing either.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR))
        return {};
    return file;
}

Status make_directories(const std::string& path) {
    if (path.empty())
        return {};
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return {};
        return fail(describe("cannot create the folder", path, ENOTDIR));
    }
    std::string parent = parent_of(path);
    if (parent != path) {
        Status made = make_directories(parent);
        if (!made)
            return made;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return fail(describe("cannot create the folder", path, errno));
    return {};
}

std::string canonical_path(const std::string& path) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr)
        return path;
    std::string out(resolved);
    std::free(resolved);
    return out;
}

bool marked_read_only(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0;
}

} // namespace wallcycle
