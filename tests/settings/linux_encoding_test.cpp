// The settings file's text on Linux: UTF-8 as written here, code page 932 as Japanese Windows
// systems wrote it.

#include "platform/text_encoding.h"
#include "settings/record_reader.h"
#include "settings/records_as_read.h"

#include <gtest/gtest.h>

using namespace wallcycle;

namespace {

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
        EXPECT_EQ(decode_settings_file(c.bytes).records, read_records(c.text)) << c.name;
}

TEST(SettingsEncoding, Utf8Validation) {
    struct Case {
        std::string bytes;
        bool valid;
    } cases[] = {
        // clang-format off
        {"", true}, {"plain", true}, {"\xE6\xA1\x9C", true}, {"\xF0\x9F\x8C\xB8", true}, // 🌸
        {"\xC0\xAF", false}, {"\xED\xA0\x80", false}, {"\xF4\x90\x80\x80", false}, // overlong "/", surrogate, past U+10FFFF
        {"\xE6\xA1", false}, {"\x8D\xF7", false}, // cut off, Shift-JIS
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(is_valid_utf8(c.bytes), c.valid) << c.bytes;
}

} // namespace
