#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace wallcycle {

// The bytes of the records that writing their text anew would not reproduce: a record in another
// encoding than the one this system writes, or one that could not be decoded. A save writes such
// a record back exactly as it was read, so it is never garbled or lost by being saved.
class RecordsAsRead {
public:
    void keep(std::string text, std::string bytes) { bytes_of_[std::move(text)].push_back(std::move(bytes)); }
    bool empty() const { return bytes_of_.empty(); }

    // Hands out the kept bytes for each text in file order; a text asked for more often than it
    // was read (an entry added since) gets nothing and is written anew.
    class Lookup {
    public:
        explicit Lookup(const RecordsAsRead& records) : records_(records) {}
        const std::string* next_for(const std::string& text) {
            if (records_.empty())
                return nullptr;
            auto found = records_.bytes_of_.find(text);
            if (found == records_.bytes_of_.end())
                return nullptr;
            std::size_t& used = used_[text];
            return used < found->second.size() ? &found->second[used++] : nullptr;
        }

    private:
        const RecordsAsRead& records_;
        std::unordered_map<std::string, std::size_t> used_;
    };

private:
    std::unordered_map<std::string, std::vector<std::string>> bytes_of_;
};

struct DecodedRecords {
    std::vector<std::string> records; // text, UTF-8
    RecordsAsRead as_read;
};

// A settings file's bytes as records of text, each record decoded on its own.
DecodedRecords decode_settings_file(std::string_view bytes);

} // namespace wallcycle
