// Reading and writing the settings file's records, its text on Linux (UTF-8 as written here, code
// page 932 as Japanese Windows systems wrote it), and where the file lives.

#include "platform/text_encoding.h"
#include "settings/record_reader.h"
#include "settings/record_writer.h"
#include "settings/records_as_read.h"
#include "settings/settings_location.h"

#include <gtest/gtest.h>

using namespace wallcycle;
using Records = std::vector<std::string>;

namespace {

Records records_of(std::string_view text) {
    std::vector<std::string_view> views = record_views(text);
    return {views.begin(), views.end()};
}

TEST(ReadRecords, FormsAndSeparators) {
    struct Case {
        const char* name;
        std::string text;
        Records records;
    } cases[] = {
        {"lone LF", "\"10\"\n\"/a.bmp\"\n", {"10", "/a.bmp"}},
        {"lone CR", "\"10\"\r\"/a.bmp\"\r", {"10", "/a.bmp"}},
        {"mixed line ends", "\"1\"\r\n\"a\"\n\"b\"\r\"c\"", {"1", "a", "b", "c"}},
        {"no final line end", "\"5\"", {"5"}},
        {"empty quoted records", "\"\"\r\n\"\"\r\n\"x\"\r\n", {"", "", "x"}},
        {"bare lines", "10\r\n/a.bmp\r\n", {"10", "/a.bmp"}},
        {"bare comma splits", "10,20\r\n/a,b.bmp\r\n", {"10", "20", "/a", "b.bmp"}},
        {"quoted then comma", "\"1\",\"a\"\r\n", {"1", "a"}},
        {"comma at line end", "\"1\",\r\n\"a\"\r\n", {"1", "", "a"}},
        {"leading blanks skipped", "  \t\"1\"\r\n   /a.bmp\r\n", {"1", "/a.bmp"}},
        {"trailing blanks of bare record dropped", "1  \r\n/a.bmp \t\r\n", {"1", "/a.bmp"}},
        {"blanks inside quotes kept", "\" 1 \"\r\n\"  /a b.bmp \"\r\n", {" 1 ", "  /a b.bmp "}},
        {"stray text after closing quote dropped", "\"1\"xyz\r\n\"a\" junk,\"b\"\r\n", {"1", "a", "b"}},
        {"missing closing quote ends at line end",
         "\"1\"\r\n\"/a.bmp\r\n\"/b.bmp\"\r\n",
         {"1", "/a.bmp", "/b.bmp"}},
        {"final record missing its quote", "\"1\"\r\n\"/a.bmp", {"1", "/a.bmp"}},
        {"empty lines are no records", "\"1\"\r\n\r\n\"a\"\r\n\r\n\r\n", {"1", "a"}},
        {"blank-only lines are no records", "\"1\"\r\n   \r\n\"a\"\r\n", {"1", "a"}},
        {"empty text", "", {}},
        {"only line ends", "\r\n\r\n", {}},
        {"number-like bare text kept as written", "007\r\n1.50\r\n", {"007", "1.50"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(records_of(c.text), c.records) << c.name;
}

TEST(WriteRecords, QuotedWithCrLf) {
    struct Case {
        const char* name;
        Settings settings;
        std::string text;
    } cases[] = {
        {"empty list", {"5", {}}, "\"5\"\r\n"},
        {"empty interval and entry", {"", {""}}, "\"\"\r\n\"\"\r\n"},
        {"comma and blanks", {"1", {" /a, b.bmp "}}, "\"1\"\r\n\" /a, b.bmp \"\r\n"},
    };
    for (const auto& c : cases) {
        Result<std::string> text = write_records(c.settings);
        ASSERT_TRUE(text.ok()) << c.name << ": " << text.reason();
        EXPECT_EQ(text.value(), c.text) << c.name;
    }
}

TEST(WriteRecords, RefusesTextThatWouldNotReadBack) {
    for (const auto& [settings, named] : {
             std::pair<Settings, const char*>{{"1", {"/ok.bmp", "/say \"hi\".bmp"}}, "/say \"hi\".bmp"},
             {{"1", {"/line\nbreak.bmp"}}, "/line\\x0Abreak.bmp"}, // the message itself stays on one line
             {{"1", {"/cr\rhere.bmp"}}, "/cr\\x0Dhere.bmp"},
             {{"1\"", {}}, "1\""},
         }) {
        Result<std::string> text = write_records(settings);
        ASSERT_FALSE(text.ok()) << named;
        EXPECT_NE(text.reason().find(named), std::string::npos) << text.reason();
    }
}

TEST(SettingsLocation, BesideTheProgramUnlessInstalled) {
    struct Case {
        const char* name;
        LocationFacts facts;
        const char* path;
    } cases[] = {
        // clang-format off
        {"portable copy", {"/opt/wc", false, false, "/x", "/home/u"}, "/opt/wc/k_save.dat"},
        {"installed, none beside", {"/usr/local/bin", true, false, "/cfg", "/home/u"}, "/cfg/wallcycle/k_save.dat"},
        {"installed under a home", {"/home/u/.local/bin", true, false, "/cfg", "/home/u"}, "/cfg/wallcycle/k_save.dat"},
        {"installed, XDG unset", {"/usr/bin", true, false, "", "/home/u"}, "/home/u/.config/wallcycle/k_save.dat"},
        {"installed, XDG relative", {"/usr/bin", true, false, "rel", "/home/u"}, "/home/u/.config/wallcycle/k_save.dat"},
        {"installed, file beside", {"/usr/bin", true, true, "/cfg", "/home/u"}, "/usr/bin/k_save.dat"},
        {"root directory joined as text", {"", false, false, "", ""}, "/k_save.dat"},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(settings_path_for(c.facts), c.path) << c.name;
}

#ifndef _WIN32 // on Windows every record is in the code page
TEST(SettingsEncoding, Utf8AsItIsOtherwiseCodePage932) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"ascii", "\"1\"\r\n", "\"1\"\r\n"},
        {"utf-8", "\"/\xE6\xA1\x9C.bmp\"", "\"/\xE6\xA1\x9C.bmp\""}, // 桜
        {"utf-8 with byte-order mark", "\xEF\xBB\xBF\"1\"", "\"1\""},
        {"cp932 kanji", "\"C:\\\x8D\xF7.bmp\"", "\"C:\\\xE6\xA1\x9C.bmp\""}, // 桜 in Shift-JIS
        {"cp932 katakana", "\"\x83\x65\x83\x58\x83\x67\"",
         "\"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\""},                     // テスト
        {"cp932 half-width kana", "\xB1", "\xEF\xBD\xB1"},                // ｱ
        {"cp932 backslash-like second byte", "\x95\x5C", "\xE8\xA1\xA8"}, // 表
        {"invalid in both",
         "a\x80\x80"
         "b",
         "a\xEF\xBF\xBD\xEF\xBF\xBD"
         "b"},
        {"cut-off lead byte at the end", "a\x8D", "a\xEF\xBF\xBD"},
        {"a Linux path names the file its bytes name", "\"/caf\xE9.bmp\"", "\"/caf\xE9.bmp\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decode_settings_file(c.bytes).records, records_of(c.text)) << c.name;
}
#endif

TEST(SettingsEncoding, Utf8Validation) {
    // clang-format off
    for (auto [bytes, valid] : {std::pair{"", true}, {"plain", true}, {"\xE6\xA1\x9C", true}, {"\xF0\x9F\x8C\xB8", true}, // 🌸
             {"\xC0\xAF", false}, {"\xED\xA0\x80", false}, {"\xF4\x90\x80\x80", false}, // overlong "/", surrogate, past U+10FFFF
             {"\xE6\xA1", false}, {"\x8D\xF7", false}}) // cut off, Shift-JIS
        EXPECT_EQ(is_valid_utf8(bytes), valid) << bytes;
    // clang-format on
}

} // namespace
