#include "settings/settings_file.h"

#include "platform/file_io.h"
#include "platform/program_facts.h"
#include "platform/shown_path.h"
#include "settings/record_writer.h"

namespace wallcycle {
namespace {

// Far beyond any real list (100,000 long paths are about 25 MiB); guards against reading a
// wrong, huge file into memory.
constexpr std::size_t largest_settings_file = std::size_t{256} << 20;

std::string directory_of(const std::string& path) {
    auto slash = path.find_last_of(std::string("/") + path_separator()); // Windows takes both
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

} // namespace

LoadedSettings LoadSettings(const std::string& path) {
    LoadedSettings loaded;
    // Only "nothing there" is the first run; a file that is there but cannot be looked at (a
    // loop of links, no permission) is unreadable, so that nothing saves over it unasked.
    Result<FileKind> kind = file_kind(path);
    if (kind && *kind == FileKind::Missing) {
        loaded.problem = LoadProblem::Missing;
        loaded.reason = "no settings file at " + shown_path(path);
        return loaded;
    }
    Result<std::string> bytes =
        kind ? read_whole_file(path, largest_settings_file) : Result<std::string>(fail(kind.reason()));
    if (!bytes) {
        loaded.problem = LoadProblem::Unreadable;
        loaded.reason = "the settings file could not be read: " + bytes.reason();
        return loaded;
    }
    DecodedRecords decoded = decode_settings_file(bytes.value());
    if (decoded.records.empty()) {
        loaded.problem = LoadProblem::Empty;
        loaded.reason = "the settings file " + shown_path(path) + " holds no records";
        return loaded;
    }
    std::vector<std::string>& records = decoded.records;
    loaded.settings.interval_text = std::move(records.front());
    records.erase(records.begin());
    loaded.settings.entries = std::move(records);
    loaded.as_read = std::move(decoded.as_read);
    return loaded;
}

Status SaveSettings(const std::string& path, const Settings& settings, const RecordsAsRead& as_read) {
    Result<std::string> text = write_records(settings, as_read);
    if (!text)
        return fail("Settings not saved: " + text.reason());
    // A file its user made read-only is theirs to keep as it is: the save says so and leaves it.
    if (marked_read_only(path))
        return fail("Settings not saved: " + shown_path(path) + " is read-only (make it writable to save)");
    if (Status made = make_directories(directory_of(path)); !made)
        return fail("Settings not saved: " + made.reason());
    if (Status replaced = replace_file_atomically(path, text.value()); !replaced)
        return fail("Settings not saved: " + replaced.reason());
    return {};
}

} // namespace wallcycle
