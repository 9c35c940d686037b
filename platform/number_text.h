#pragma once
// Number <-> text in the user's locale: the interval is shown, stored and stepped as text.

#include <optional>
#include <string>
#include <string_view>

namespace wallcycle {

struct NumberFormat {
    std::string decimal_separator = ".";
    std::string minus_sign = "-";
};

// The format of the user's locale (LC_NUMERIC, per OS).
NumberFormat current_number_format();

// General decimal form: at most 15 significant digits, no trailing zeros, no grouping;
// exponent form ("1E+20") below 1E-4 and from 1E+15 on.
std::string format_number(double value, const NumberFormat& format);

// Accepts surrounding blanks, a sign, the locale's separator or ".", and an exponent.
// Anything else, and values beyond the double range, is not a number.
std::optional<double> parse_number(std::string_view text, const NumberFormat& format);

} // namespace wallcycle
