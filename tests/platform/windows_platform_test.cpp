// The Windows half of the platform, under wine with code page 932 (a Japanese system).

#include "platform/file_io.h"
#include "platform/text_encoding.h"
#include "settings/settings_file.h"

#include <cstring>
#include <gtest/gtest.h>
#include <windows.h>

using namespace wallcycle;

namespace {

// A fresh folder under the system's temporary folder (its name is plain ASCII under wine).
std::string temporary_folder(const char* name) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    std::string folder =
        std::string(base) + "wallcycle-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

TEST(WindowsPlatform, TheSystemIsJapanese) {
    ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8";
}

TEST(WindowsPlatform, SettingsTextInCodePage932) {
    const std::pair<const char*, const char*> cases[] = {
        // text, and its bytes (nullptr: cannot be stored)
        {"C:\\a.bmp", "C:\\a.bmp"},
        {"C:\\\xE6\xA1\x9C.bmp", "C:\\\x8D\xF7.bmp"},                         // 桜
        {"\xE8\xA1\xA8", "\x95\x5C"},                                         // 表: a second byte like "\"
        {"\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", "\x83\x65\x83\x58\x83\x67"}, // テスト
        {"\xEF\xBD\xB1", "\xB1"},                                             // half-width ｱ
        {"caf\xC3\xA9.bmp", nullptr},                                         // é is not in code page 932
        {"\xF0\x9F\x8C\xB8.png", nullptr},                                    // 🌸
    };
    for (const auto& [text, bytes] : cases) {
        Result<std::string> stored = encode_settings_text(text);
        if (bytes == nullptr) {
            EXPECT_FALSE(stored.ok()) << text;
            continue;
        }
        ASSERT_TRUE(stored.ok()) << text << ": " << stored.reason();
        EXPECT_EQ(stored.value(), bytes);
        EXPECT_EQ(decode_settings_record(stored.value(), false), text);
    }
}

TEST(WindowsPlatform, SaveAndLoadJapanesePaths) {
    std::string folder = temporary_folder("save");
    std::string path = folder + "\\k_save.dat";
    Settings settings{"2.5",
                      {"C:\\\xE5\xA3\x81\xE7\xB4\x99\\\xE6\xA1\x9C.bmp", "", "C:\\a,b.bmp"}}; // 壁紙\桜
    ASSERT_TRUE(SaveSettings(path, settings).ok());
    Result<std::string> bytes = read_whole_file(path, 1 << 20);
    ASSERT_TRUE(bytes.ok());
    EXPECT_EQ(bytes.value(),
              "\"2.5\"\r\n\"C:\\\x95\xC7\x8E\x86\\\x8D\xF7.bmp\"\r\n\"\"\r\n\"C:\\a,b.bmp\"\r\n");
    EXPECT_EQ(LoadSettings(path).settings, settings);

    // A path the code page cannot hold is refused, named, and the file keeps the last good list.
    Status saved = SaveSettings(path, {"1", {"C:\\caf\xC3\xA9.bmp"}});
    ASSERT_FALSE(saved.ok());
    EXPECT_NE(saved.reason().find("caf\xC3\xA9"), std::string::npos) << saved.reason();
    EXPECT_EQ(LoadSettings(path).settings, settings);
}

} // namespace
