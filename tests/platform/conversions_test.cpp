// Number <-> text, rounding to the timer's milliseconds, and the random pick's index.

#include "platform/number_text.h"
#include "platform/rounding.h"
#include "platform/shown_path.h"
#include "platform/text_encoding.h"
#include "wallpaper/random_pick.h"
#include "wallpaper/rotation.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <tuple>

using namespace wallcycle;

namespace {

const NumberFormat dot{".", "-"};
const NumberFormat comma{",", "-"};
const NumberFormat unicode_minus{",", "\xE2\x88\x92"};

TEST(FormatNumber, GeneralFormAtMostFifteenDigits) {
    // clang-format off
    const std::tuple<double, NumberFormat, const char*> cases[] = {
        {0.0, dot, "0"}, {-0.0, dot, "0"}, {1.0, dot, "1"}, {2.5 - 1.0, dot, "1.5"}, {0.5 - 1.0, dot, "-0.5"},
        {1.1 - 1.0, dot, "0.1"}, {1.1 - 1.0, comma, "0,1"}, // 0.10000000000000009 in binary
        {0.5 - 1.0, comma, "-0,5"}, {0.5 - 1.0, unicode_minus, "\xE2\x88\x92" "0,5"},
        {3600.0, dot, "3600"}, {123456789012345.0, dot, "123456789012345"}, {1e15, dot, "1E+15"},
        {1e20, dot, "1E+20"}, {1e20, unicode_minus, "1E+20"}, {0.0001, dot, "0.0001"}, {0.00001, dot, "1E-05"},
        {0.00001, unicode_minus, "1E-05"}, {1.0 / 3.0, dot, "0.333333333333333"}, {-1e-7, dot, "-1E-07"},
    }; // clang-format on
    for (const auto& [value, format, text] : cases)
        EXPECT_EQ(format_number(value, format), text) << value;
}

TEST(ParseNumber, AcceptsLocaleAndPlainForms) {
    // clang-format off
    const std::tuple<const char*, NumberFormat, std::optional<double>> cases[] = {
        {"0", dot, 0.0}, {"10", dot, 10.0}, {"2.5", dot, 2.5}, {"2,5", comma, 2.5}, {"2,5", dot, std::nullopt},
        {"2.5", comma, 2.5}, // "." is always understood
        {" 7 ", dot, 7.0}, {"\t7", dot, 7.0}, {"-0.5", dot, -0.5}, {"+3", dot, 3.0}, {".5", dot, 0.5},
        {"\xE2\x88\x92" "0,5", unicode_minus, -0.5}, {"5.", dot, 5.0}, {"1E+20", dot, 1e20}, {"1e-3", dot, 0.001},
        {"1E+15", comma, 1e15}, {"", dot, std::nullopt}, {" ", dot, std::nullopt}, {"abc", dot, std::nullopt},
        {"1,000", dot, std::nullopt}, // no grouping
        {"12abc", dot, std::nullopt}, {"1e", dot, std::nullopt}, {".", dot, std::nullopt}, {"-", dot, std::nullopt},
        {"nan", dot, std::nullopt}, {"inf", dot, std::nullopt}, {"1e400", dot, std::nullopt}, {"0x10", dot, std::nullopt},
    }; // clang-format on
    for (const auto& [text, format, value] : cases)
        EXPECT_EQ(parse_number(text, format), value) << '"' << text << '"';
}

TEST(ParseNumber, ReadsBackWhatFormatWrites) {
    for (double value : {0.1, -0.5, 1e20, 1e-5, 123456.789, 1.0 / 7.0, -1e300})
        for (const auto& format : {dot, comma, unicode_minus}) {
            auto back = parse_number(format_number(value, format), format);
            ASSERT_TRUE(back.has_value()) << format_number(value, format);
            EXPECT_NEAR(*back, value, std::abs(value) * 1e-14);
        }
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    // clang-format off
    const std::pair<double, std::optional<std::int32_t>> cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2500.0, 2500}, {0.4999999999999999, 0},
        {1234.5, 1234}, {1235.5, 1236}, {2147483647.0, 2147483647}, {2147483647.4, 2147483647},
        {2147483647.5, std::nullopt}, {-2147483648.0, -2147483648}, {-2147483648.6, std::nullopt},
        {1e20, std::nullopt}, {NAN, std::nullopt}, {INFINITY, std::nullopt},
    }; // clang-format on
    for (const auto& [value, rounded] : cases)
        EXPECT_EQ(round_half_even_to_int32(value), rounded) << value;
}

TEST(RotationInterval, SecondsToMilliseconds) {
    // clang-format off
    const std::tuple<const char*, NumberFormat, std::optional<int>> cases[] = {
        {"0", dot, 0}, {"10", dot, 10000}, {"2.5", dot, 2500}, {"2,5", comma, 2500}, {"0.0005", dot, 0},
        {"0.0015", dot, 2}, {"0.0025", dot, 2}, // 1.5 ms ties to 2, 2.5 ms to 2
        {"0.5", dot, 500}, {"2147483.647", dot, 2147483647}, {"2147483.648", dot, std::nullopt},
        {"1e20", dot, std::nullopt}, {"-1", dot, std::nullopt}, {"abc", dot, std::nullopt}, {"", dot, std::nullopt},
        {"-0.0001", dot, 0}, // rounds to zero: idle, like 0
    }; // clang-format on
    for (const auto& [text, format, expected] : cases) {
        Result<int> ms = rotation_interval_ms(text, format);
        if (expected) {
            ASSERT_TRUE(ms.ok()) << text << ": " << ms.reason();
            EXPECT_EQ(ms.value(), *expected) << text;
        } else {
            EXPECT_FALSE(ms.ok()) << text;
            EXPECT_NE(ms.reason().find(text), std::string::npos) << ms.reason();
        }
    }
}

TEST(PickIndex, StaysInsideTheList) {
    const float largest_fraction = 1.0f - 1.0f / 16777216.0f;
    // clang-format off
    const std::tuple<std::size_t, float, std::size_t> cases[] = {
        {1, 0.0f, 0}, {1, largest_fraction, 0}, {2, 0.5f, 1}, {2, 0.4999999f, 0}, {3, largest_fraction, 2},
        {10, 0.999f, 9}, {32767, 0.0f, 0}, {32767, largest_fraction, 32766}, {32767, 0.5f, 16383},
        {100000, largest_fraction, 99999}, {100000, 0.5f, 50000},
        {16777217, largest_fraction, 16777215}, // float(count) loses the last unit past 2^24
        {5, 1.0f, 4},                           // never drawn, but still held inside the list
    }; // clang-format on
    for (const auto& [count, fraction, index] : cases)
        EXPECT_EQ(pick_index(count, fraction), index) << count << " " << fraction;
}

// Paths in messages: one line whatever they hold, and short enough to read.
TEST(ShownPath, ControlCharactersEscapedLongPathsShortened) {
    std::string huge = "/start/" + std::string(10 << 20, 'a') + "/end.bmp";
    std::string japanese_long = "/" + std::string(70, 'x') + "壁紙壁紙" + std::string(100, 'y') + "桜.bmp";
    struct Case {
        const char* name;
        std::string path;
        std::string shown;
    } cases[] = {
        {"plain", "/home/me/a b.bmp", "/home/me/a b.bmp"},
        {"japanese", "/壁紙/桜.bmp", "/壁紙/桜.bmp"},
        {"NUL", std::string("/a\0b.bmp", 8), "/a\\x00b.bmp"},
        {"line breaks and escape", "/a\nb\r\x1b.bmp", "/a\\x0Ab\\x0D\\x1B.bmp"},
        {"bytes that are no UTF-8", "/caf\xE9\xE6\xA1.bmp", "/caf\\xE9\\xE6\\xA1.bmp"},
        {"exactly at the limit", std::string(160, 'z'), std::string(160, 'z')},
        {"10 MB", huge,
         "/start/" + std::string(65, 'a') + "…(10485631 bytes)…" + std::string(64, 'a') + "/end.bmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shown_path(c.path), c.shown) << c.name;
    // Cut between characters: what is shown is valid UTF-8 and keeps both ends.
    std::string shown = shown_path(japanese_long);
    EXPECT_TRUE(is_valid_utf8(shown)) << shown;
    EXPECT_EQ(shown.rfind("/xxx", 0), 0u);
    EXPECT_EQ(shown.substr(shown.size() - 10), "yyy桜.bmp");
}

} // namespace
