#pragma once
// Files a running process holds, so that another copy of the program leaves them alone: a shared
// lock on the file, released when the process lets go of it or ends, however it ends.

#include "platform/result.h"

#include <string>
#include <string_view>

namespace wallcycle {

// A file this process holds; let go when the value is destroyed or replaced.
class HeldFile {
public:
    HeldFile() = default;
    explicit HeldFile(int descriptor) : descriptor_(descriptor) {}
    HeldFile(HeldFile&& other) noexcept : descriptor_(other.descriptor_) { other.descriptor_ = -1; }
    HeldFile& operator=(HeldFile&& other) noexcept;
    ~HeldFile();

    bool held() const { return descriptor_ >= 0; }

private:
    int descriptor_ = -1;
};

// Writes a new file as replace_file_atomically does (`kin` likewise), held from before its name
// appears: no other process ever sees it there unheld.
Result<HeldFile> write_held_file(const std::string& path, std::string_view bytes, std::string_view kin);

// The file taken for this process alone (an exclusive lock), when no other process holds it and it
// is a regular file, not a link; otherwise a value that holds nothing. Once taken, a file can be
// removed without pulling it from under a process that uses it.
HeldFile take_unless_held(const std::string& path);

} // namespace wallcycle
