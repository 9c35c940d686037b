#include "settings/record_writer.h"

#include "platform/shown_path.h"
#include "platform/text_encoding.h"

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

// Empty reason: appended. Otherwise why the text cannot be stored.
std::string append_record(std::string& out, const std::string& text, RecordsAsRead::Lookup& as_read) {
    out += '"';
    if (const std::string* bytes = as_read.next_for(text)) {
        out += *bytes;
    } else {
        Result<std::string> stored = encode_settings_text(text);
        if (!stored)
            return stored.reason();
        out += stored.value();
    }
    out += "\"\r\n";
    return {};
}

} // namespace

Result<std::string> write_records(const Settings& settings, const RecordsAsRead& as_read) {
    if (const char* what = unstorable_character(settings.interval_text))
        return fail("the interval \"" + shown_path(settings.interval_text) +
                    "\" cannot be saved: it contains " + what);
    std::size_t size = settings.interval_text.size() + 4;
    for (const auto& entry : settings.entries) {
        if (const char* what = unstorable_character(entry))
            return fail("the entry " + shown_path(entry) + " cannot be saved: it contains " + what);
        size += entry.size() + 4;
    }
    std::string out;
    out.reserve(size);
    RecordsAsRead::Lookup lookup(as_read);
    if (std::string why = append_record(out, settings.interval_text, lookup); !why.empty())
        return fail("the interval \"" + shown_path(settings.interval_text) + "\" cannot be saved: " + why);
    for (const auto& entry : settings.entries)
        if (std::string why = append_record(out, entry, lookup); !why.empty())
            return fail("the entry " + shown_path(entry) + " cannot be saved: " + why);
    return out;
}

} // namespace wallcycle
