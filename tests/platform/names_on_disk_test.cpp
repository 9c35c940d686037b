// Names that are not UTF-8, found again on the disk from the text a toolkit shows for them, and
// the exact bytes of a drop's file list.

#include "platform/names_on_disk_linux.h"
#include "tests/support/files.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

const std::string fffd = "\xEF\xBF\xBD";

TEST(NamesOnDisk, TheShownNameFindsTheBytes) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("d\xE9j\xE0")); // déjà in Latin-1
    write_file(dir.file("d\xE9j\xE0/caf\xE9.bmp"), "");
    write_file(dir.file("a\xE9-1.bmp"), "");
    write_file(dir.file("a\xE8-1.bmp"), ""); // looks the same as the one above
    write_file(dir.file("plain.bmp"), "");
    write_file(dir.file("x\xE9\xE8\xE7.bmp"), "");
    struct Case {
        const char* name;
        std::string shown;
        std::optional<std::string> found;
    } cases[] = {
        {"UTF-8 as it is", dir.file("plain.bmp"), dir.file("plain.bmp")},
        {"a folder and a file, each shown with U+FFFD",
         dir.file("d" + fffd + "j" + fffd + "/caf" + fffd + ".bmp"), dir.file("d\xE9j\xE0/caf\xE9.bmp")},
        {"a run of U+FFFD for a run of bytes", dir.file("x" + fffd + fffd + ".bmp"),
         dir.file("x\xE9\xE8\xE7.bmp")},
        {"two names alike: neither", dir.file("a" + fffd + "-1.bmp"), std::nullopt},
        {"none like it", dir.file("b" + fffd + ".bmp"), std::nullopt},
        {"U+FFFD stands for at least one byte", dir.file("plain" + fffd + ".bmp"), std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(name_on_disk(c.shown), c.found) << c.name;
}

TEST(NamesOnDisk, LocalFilesOfAUriList) {
    struct Case {
        const char* name;
        std::string list;
        std::vector<std::string> files;
    } cases[] = {
        {"escapes undone, every byte kept", "file:///home/me/caf%E9%20x.bmp\r\n", {"/home/me/caf\xE9 x.bmp"}},
        {"localhost, and lines without CR",
         "file://localhost/a.bmp\nfile:///b%2fc.bmp\n",
         {"/a.bmp", "/b/c.bmp"}},
        {"comments, other hosts and schemes left out",
         "# a comment\r\nfile://elsewhere/x.bmp\r\nhttps://example.org/y.bmp\r\nfile:///z.bmp",
         {"/z.bmp"}},
        {"a cut or bad escape stays as written",
         "file:///a%4.bmp\r\nfile:///b%zz\r\n",
         {"/a%4.bmp", "/b%zz"}},
        {"a NUL in a name: left out", "file:///a%00b.bmp\r\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(local_files_in_uri_list(c.list), c.files) << c.name;
}

} // namespace
