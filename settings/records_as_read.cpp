#include "settings/records_as_read.h"

#include "platform/text_encoding.h"
#include "settings/record_reader.h"

#include <unordered_set>

namespace wallcycle {

DecodedRecords decode_settings_file(std::string_view bytes) {
    // The separators are ASCII, and no byte of a code page 932 character is one of them, so the
    // file is split into records first and each record decoded by itself.
    bool utf8_file = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (utf8_file)
        bytes.remove_prefix(3);
    DecodedRecords decoded;
    // Views of the file's bytes: a record is held once more, as text, never twice.
    std::vector<std::string_view> raw = record_views(bytes);
    decoded.records.reserve(raw.size());
    std::unordered_set<std::string> kept_texts;
    for (std::string_view record : raw) {
        std::string text = decode_settings_record(record, utf8_file);
        // Text read from a file marked as UTF-8 is exact; where the system writes another
        // encoding, it is written in that one.
        bool exact = utf8_file && is_valid_utf8(record);
        if (!exact && !stored_as(text, record))
            kept_texts.insert(text);
        decoded.records.push_back(std::move(text));
    }
    // Every record with such a text is kept, in file order, so that two records that read as the
    // same text (an undecodable byte and a real U+FFFD) each get their own bytes back.
    if (!kept_texts.empty())
        for (std::size_t i = 0; i < raw.size(); ++i)
            if (kept_texts.count(decoded.records[i]) != 0)
                decoded.as_read.keep(decoded.records[i], std::string(raw[i]));
    return decoded;
}

} // namespace wallcycle
