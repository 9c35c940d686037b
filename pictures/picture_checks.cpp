#include "pictures/picture_checks.h"

#include "platform/file_io.h"
#include "platform/shown_path.h"

namespace wallcycle {

std::string picture_failure(const std::string& path, const std::string& what) {
    return "cannot use " + shown_path(path) + ": " + what;
}

Failure picture_damaged(const std::string& what) {
    return fail("the picture is damaged (" + what + ")");
}

Status picture_file_usable(const std::string& path) {
    Result<FileKind> kind = file_kind(path);
    if (!kind)
        return fail(kind.reason());
    auto refuse = [&](const std::string& why) { return fail(picture_failure(path, why)); };
    if (*kind == FileKind::Folder)
        return refuse("it is a folder, not an image");
    if (*kind != FileKind::Regular)
        return refuse(not_a_file_reason(*kind));
    return {};
}

} // namespace wallcycle
