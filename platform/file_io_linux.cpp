#include "platform/file_io.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wallcycle {
namespace {

std::string describe(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
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

// Mode for the new file: the old file's, or what a plain create would give under the umask.
mode_t mode_for(const std::string& path) {
    struct stat old {};
    if (stat(path.c_str(), &old) == 0)
        return old.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool file_exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

Result<std::string> read_whole_file(const std::string& path, std::size_t max_bytes) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail(describe("cannot open", path, errno));
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        int error = errno;
        close(fd);
        return fail(describe("cannot read", path, error));
    }
    if (!S_ISREG(info.st_mode)) {
        close(fd);
        return fail(describe("cannot read", path, EISDIR));
    }
    if (static_cast<unsigned long long>(info.st_size) > max_bytes) {
        close(fd);
        return fail("cannot read " + path + ": the file is larger than " + std::to_string(max_bytes >> 20) +
                    " MiB");
    }
    std::string content;
    content.resize(static_cast<size_t>(info.st_size));
    size_t filled = 0;
    for (;;) {
        if (filled == content.size())
            content.resize(content.size() + 4096); // the file may have grown since fstat
        ssize_t got = read(fd, content.data() + filled, content.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int error = errno;
            close(fd);
            return fail(describe("cannot read", path, error));
        }
        if (got == 0)
            break;
        filled += static_cast<size_t>(got);
        if (filled > max_bytes) {
            close(fd);
            return fail("cannot read " + path + ": the file is too large");
        }
    }
    close(fd);
    content.resize(filled);
    return content;
}

Status replace_file_atomically(const std::string& path, std::string_view bytes) {
    std::string directory = parent_of(path);
    std::string temporary = path + ".XXXXXX";
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return fail(describe("cannot create a file in", directory, errno));
    auto abandon = [&](const char* what) {
        int error = errno;
        close(fd);
        unlink(temporary.c_str());
        return fail(describe(what, temporary, error));
    };
    if (fchmod(fd, mode_for(path)) != 0)
        return abandon("cannot set the permissions of");
    if (!write_all(fd, bytes))
        return abandon("cannot write");
    if (fsync(fd) != 0)
        return abandon("cannot flush");
    if (close(fd) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        return fail(describe("cannot write", temporary, error));
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        int error = errno;
        unlink(temporary.c_str());
        return fail(describe("cannot replace", path, error));
    }
    // The rename itself reaches the disk only when the directory is flushed.
    int dir_fd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd >= 0) {
        fsync(dir_fd);
        close(dir_fd);
    }
    return {};
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

} // namespace wallcycle
