#pragma once
// Opening a file to read it, never blocking and never reading something that is not a file.

#include "platform/result.h"

#include <cstddef>
#include <string>

namespace wallcycle {

// A regular file open for reading, closed with the value.
class OpenFile {
public:
    explicit OpenFile(int descriptor = -1) : descriptor_(descriptor) {}
    OpenFile(OpenFile&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }
    OpenFile& operator=(OpenFile&&) = delete;
    ~OpenFile();

    int descriptor() const { return descriptor_; }

private:
    int descriptor_;
};

// Opens without blocking (a named pipe never waits for a writer), then refuses anything but a
// regular file, and one larger than max_bytes, checked on the opened file so nothing can be
// swapped in between.
Result<OpenFile> open_regular_file(const std::string& path, std::size_t max_bytes);

// The file's bytes from its start, or why not (it may have grown since it was opened, up to
// max_bytes).
Result<std::string> read_from_start(const OpenFile& file, const std::string& path, std::size_t max_bytes);

} // namespace wallcycle
