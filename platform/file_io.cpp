#include "platform/file_io.h"

namespace wallcycle {

std::string not_a_file_reason(FileKind kind) {
    switch (kind) {
    case FileKind::Missing:
        return "no such file";
    case FileKind::Folder:
        return "it is a folder, not a file";
    case FileKind::Special:
        return "it is not a regular file (a named pipe, a device or a socket)";
    case FileKind::Regular:
        break;
    }
    return {};
}

} // namespace wallcycle
