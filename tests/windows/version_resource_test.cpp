// The program's version, read from its version resource as Windows Explorer shows it.

#include <gtest/gtest.h>
#include <vector>
#include <windows.h>

namespace {

TEST(VersionResource, JapaneseUnicodeBlockWithVersion100) {
    const wchar_t* program = WALLCYCLE_WINDOWS_PROGRAM;
    DWORD size = GetFileVersionInfoSizeW(program, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(program, 0, size, block.data()));

    struct Translation {
        WORD language, code_page;
    }* translations = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translations), &length));
    ASSERT_EQ(length, sizeof(Translation)); // exactly one
    EXPECT_EQ(translations->language, 0x0411);
    EXPECT_EQ(translations->code_page, 1200);

    // Filed under the language its block names, Japanese, not under US English.
    HMODULE module = LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(FindResourceExW(module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                              MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)),
              nullptr);
    EXPECT_EQ(FindResourceExW(module, MAKEINTRESOURCEW(16), MAKEINTRESOURCEW(1),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              nullptr);
    FreeLibrary(module);

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 0);
}

} // namespace
