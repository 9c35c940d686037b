#include "settings/record_reader.h"

namespace wallcycle {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_line_end(char c) {
    return c == '\r' || c == '\n';
}

class RecordScanner {
public:
    explicit RecordScanner(std::string_view text) : text_(text) {}

    std::vector<std::string_view> scan() {
        std::vector<std::string_view> records;
        bool record_owed = false; // a comma promises one more record on its line
        for (;;) {
            skip_blanks();
            if (at_end() || is_line_end(peek())) {
                if (record_owed)
                    records.emplace_back();
                record_owed = false;
                if (at_end())
                    break;
                skip_line_end();
                continue;
            }
            records.push_back(peek() == '"' ? quoted() : bare());
            record_owed = pos_ < text_.size() && peek() == ',';
            if (record_owed)
                ++pos_;
        }
        return records;
    }

private:
    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }

    void skip_blanks() {
        while (!at_end() && is_blank(peek()))
            ++pos_;
    }

    void skip_line_end() {
        if (peek() == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n')
            ++pos_;
        ++pos_;
    }

    std::string_view quoted() {
        std::size_t start = ++pos_;
        while (!at_end() && peek() != '"' && !is_line_end(peek()))
            ++pos_;
        std::string_view record = text_.substr(start, pos_ - start);
        if (!at_end() && peek() == '"') {
            ++pos_;
            while (!at_end() && peek() != ',' && !is_line_end(peek()))
                ++pos_; // stray characters after the closing quote
        }
        return record;
    }

    std::string_view bare() {
        std::size_t start = pos_;
        while (!at_end() && peek() != ',' && !is_line_end(peek()))
            ++pos_;
        std::size_t end = pos_;
        while (end > start && is_blank(text_[end - 1]))
            --end;
        return text_.substr(start, end - start);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

} // namespace

std::vector<std::string_view> record_views(std::string_view text) {
    return RecordScanner(text).scan();
}

} // namespace wallcycle
