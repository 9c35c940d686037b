#include "settings/record_writer.h"

namespace wallcycle {
namespace {

const char* unstorable_character(const std::string& text) {
    for (char c : text) {
        if (c == '"')
            return "a double quote";
        if (c == '\r' || c == '\n')
            return "a line break";
    }
    return nullptr;
}

void append_record(std::string& out, const std::string& text) {
    out += '"';
    out += text;
    out += "\"\r\n";
}

} // namespace

Result<std::string> write_records(const Settings& settings) {
    if (const char* what = unstorable_character(settings.interval_text))
        return fail("the interval \"" + settings.interval_text + "\" cannot be saved: it contains " + what);
    std::size_t size = settings.interval_text.size() + 4;
    for (const auto& entry : settings.entries) {
        if (const char* what = unstorable_character(entry))
            return fail("the entry " + entry + " cannot be saved: it contains " + what);
        size += entry.size() + 4;
    }
    std::string out;
    out.reserve(size);
    append_record(out, settings.interval_text);
    for (const auto& entry : settings.entries)
        append_record(out, entry);
    return out;
}

} // namespace wallcycle
