#include "platform/number_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace wallcycle {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool consume(std::string_view& text, std::string_view prefix) {
    if (prefix.empty() || text.substr(0, prefix.size()) != prefix)
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

std::size_t consume_digits(std::string_view& text, std::string& out) {
    std::size_t count = 0;
    while (!text.empty() && is_digit(text.front())) {
        out += text.front();
        text.remove_prefix(1);
        ++count;
    }
    return count;
}

} // namespace

std::string format_number(double value, const NumberFormat& format) {
    if (value == 0.0)
        value = 0.0; // never "-0"
    std::array<char, 64> buffer{};
    auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 15);
    if (error != std::errc())
        return {};
    std::string out;
    for (const char* p = buffer.data(); p != end; ++p) {
        switch (*p) {
        case '.':
            out += format.decimal_separator;
            break;
        case '-':
            // A minus after the exponent mark stays ASCII so the text reads back anywhere.
            if (p != buffer.data() && (p[-1] == 'e'))
                out += '-';
            else
                out += format.minus_sign;
            break;
        case 'e':
            out += 'E';
            break;
        default:
            out += *p;
        }
    }
    return out;
}

std::optional<double> parse_number(std::string_view text, const NumberFormat& format) {
    text = trim_blanks(text);
    std::string plain; // the same number in the form from_chars reads
    if (consume(text, format.minus_sign) || consume(text, "-"))
        plain += '-';
    else
        consume(text, "+");
    std::size_t digits = consume_digits(text, plain);
    if (consume(text, format.decimal_separator) || consume(text, ".")) {
        plain += '.';
        digits += consume_digits(text, plain);
    }
    if (digits == 0)
        return std::nullopt;
    if (!text.empty() && (text.front() == 'e' || text.front() == 'E')) {
        text.remove_prefix(1);
        plain += 'e';
        if (consume(text, "-") || consume(text, format.minus_sign))
            plain += '-';
        else
            consume(text, "+");
        if (consume_digits(text, plain) == 0)
            return std::nullopt;
    }
    if (!text.empty())
        return std::nullopt;
    double value = 0;
    auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace wallcycle
