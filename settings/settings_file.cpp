#include "settings/settings_file.h"

#include "platform/file_io.h"
#include "platform/program_facts.h"
#include "platform/text_encoding.h"
#include "settings/record_reader.h"
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
    if (!file_exists(path)) {
        loaded.problem = LoadProblem::Missing;
        loaded.reason = "no settings file at " + path;
        return loaded;
    }
    Result<std::string> bytes = read_whole_file(path, largest_settings_file);
    if (!bytes) {
        loaded.problem = LoadProblem::Unreadable;
        loaded.reason = bytes.reason();
        return loaded;
    }
    std::vector<std::string> records = read_records(decode_settings_bytes(bytes.value()));
    if (records.empty()) {
        loaded.problem = LoadProblem::Empty;
        loaded.reason = "the settings file " + path + " holds no records";
        return loaded;
    }
    loaded.settings.interval_text = std::move(records.front());
    records.erase(records.begin());
    loaded.settings.entries = std::move(records);
    return loaded;
}

Status SaveSettings(const std::string& path, const Settings& settings) {
    Result<std::string> text = write_records(settings);
    if (!text)
        return fail("Settings not saved: " + text.reason());
    if (Status made = make_directories(directory_of(path)); !made)
        return fail("Settings not saved: " + made.reason());
    if (Status replaced = replace_file_atomically(path, text.value()); !replaced)
        return fail("Settings not saved: " + replaced.reason());
    return {};
}

} // namespace wallcycle
