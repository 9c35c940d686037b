// The settings file on disk: load results, byte-exact saves, and that a save never leaves a
// damaged file behind.

#include "settings/settings_file.h"
#include "tests/support/files.h"
#include "tests/support/process.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

// Every load ends at once with its outcome. Whatever stands at the settings path and cannot be read
// is unreadable, with a reason: only "nothing there" counts as missing, so that nothing else is
// ever saved over unasked.
TEST(LoadSettings, OutcomesAndWhatCannotBeReadNeverBlocks) {
    using Make = void (*)(const std::string& path);
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // written first, if any
        Make make;                        // then done at the path, if any
        LoadProblem problem;
        Settings settings;
        const char* says = ""; // besides the path
    } cases[] = {
        // clang-format off
        {"missing", std::nullopt, nullptr, LoadProblem::Missing, {"0", {}}},
        {"empty file", std::string(), nullptr, LoadProblem::Empty, {"0", {}}},
        {"only line ends", std::string("\r\n\r\n"), nullptr, LoadProblem::Empty, {"0", {}}},
        {"interval only", std::string("\"5\"\r\n"), nullptr, LoadProblem::None, {"5", {}}},
        {"empty interval", std::string("\"\"\r\n\"/a.bmp\"\r\n"), nullptr, LoadProblem::None, {"", {"/a.bmp"}}},
        {"list", std::string("\"10\"\r\n\"/a.bmp\"\r\n\"\"\r\n\"/a.bmp\"\r\n"), nullptr, LoadProblem::None, {"10", {"/a.bmp", "", "/a.bmp"}}},
        {"cp932", std::string("\"3\"\r\n\"C:\\\x8D\xF7.bmp\"\r\n"), nullptr, LoadProblem::None, {"3", {"C:\\桜.bmp"}}},
        {"a folder", std::nullopt, [](const std::string& p) { std::filesystem::create_directory(p); }, LoadProblem::Unreadable, {}, "a folder"},
        {"a named pipe", std::nullopt, [](const std::string& p) { mkfifo(p.c_str(), 0600); }, LoadProblem::Unreadable, {}, "not a regular file"},
        {"a loop of symbolic links", std::nullopt, make_link_loop, LoadProblem::Unreadable, {}, "Too many levels of symbolic links"},
        {"larger than 256 MiB (sparse)", std::string("\"1\"\r\n"), [](const std::string& p) { std::filesystem::resize_file(p, (std::uintmax_t{256} << 20) + 1); }, LoadProblem::Unreadable, {}, "larger than 256 MiB"},
        {"a device", std::nullopt, [](const std::string& p) { std::filesystem::create_symlink("/dev/zero", p); }, LoadProblem::Unreadable, {}, "not a regular file"},
        // clang-format on
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string path = dir.file("k_save.dat");
        if (c.bytes)
            write_file(path, *c.bytes);
        if (c.make)
            c.make(path);
        alarm(10); // a blocking open would end the test run here
        LoadedSettings loaded = LoadSettings(path);
        alarm(0);
        EXPECT_EQ(loaded.problem, c.problem) << c.name;
        EXPECT_EQ(loaded.settings, c.settings) << c.name;
        EXPECT_TRUE(c.problem == LoadProblem::None || (loaded.reason.find(path) != std::string::npos &&
                                                       loaded.reason.find(c.says) != std::string::npos))
            << c.name << ": " << loaded.reason;
    }
}

// Each record is decoded by itself: a record from a Japanese Windows system, or one with a stray
// byte, leaves the others as they are; and a save writes every record the user did not touch
// back as the very bytes it was read from.
TEST(LoadSettings, MixedEncodingsDecodeRecordByRecordAndSaveBackByteExact) {
    const std::string utf8 = "/home/me/\xE5\xA3\x81\xE7\xB4\x99 \xE7\xB7\x91.bmp"; // 壁紙 緑
    const std::string cp932 = "C:\\\x8D\xF7.bmp";                                  // 桜 in Shift-JIS
    const std::string stray = "/tmp/caf\xE9\xFF.bmp";                              // Latin-1, then junk
    const std::string literal_replacement = "/tmp/caf\xEF\xBF\xBD.bmp";            // a real U+FFFD
    const std::string file = "\"10\"\r\n\"" + utf8 + "\"\r\n\"" + cp932 + "\"\r\n\"" + literal_replacement +
                             "\"\r\n\"" + stray + "\"\r\n\"/plain.bmp\"\r\n";
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    write_file(path, file);
    LoadedSettings loaded = LoadSettings(path);
    ASSERT_EQ(loaded.problem, LoadProblem::None);
    ASSERT_EQ(loaded.settings.entries.size(), 5u);
    EXPECT_EQ(loaded.settings.entries[0], utf8);
    EXPECT_EQ(loaded.settings.entries[1], "C:\\\xE6\xA1\x9C.bmp");
    EXPECT_EQ(loaded.settings.entries[4], "/plain.bmp");

    struct Case {
        const char* name;
        void (*edit)(Settings&);
        std::string expected;
    } cases[] = {
        {"saved as it is", [](Settings&) {}, file},
        {"one entry deleted", [](Settings& s) { s.entries.erase(s.entries.begin()); },
         "\"10\"\r\n\"" + cp932 + "\"\r\n\"" + literal_replacement + "\"\r\n\"" + stray +
             "\"\r\n\"/plain.bmp\"\r\n"},
        {"an entry added and the interval changed",
         [](Settings& s) {
             s.interval_text = "11";
             s.entries.push_back("/new/\xE6\xA1\x9C.bmp");
         },
         "\"11\"\r\n\"" + utf8 + "\"\r\n\"" + cp932 + "\"\r\n\"" + literal_replacement + "\"\r\n\"" + stray +
             "\"\r\n\"/plain.bmp\"\r\n\"/new/\xE6\xA1\x9C.bmp\"\r\n"},
    };
    for (const auto& c : cases) {
        write_file(path, file);
        Settings edited = loaded.settings;
        c.edit(edited);
        ASSERT_TRUE(SaveSettings(path, edited, loaded.as_read).ok()) << c.name;
        EXPECT_EQ(read_file(path), c.expected) << c.name;
        EXPECT_EQ(LoadSettings(path).settings, edited) << c.name;
    }
}

// A Linux path that is not UTF-8 names the file its bytes name; where none has that name, the file
// its code page 932 reading names (a settings file from a Japanese system). Either way the save
// writes the record's bytes back.
TEST(LoadSettings, ALinuxPathNotInUtf8NamesTheFileThatIsThere) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("\xE5\xA3\x81\xE7\xB4\x99")); // 壁紙
    const std::string sunset_utf8 =
        dir.file("\xE5\xA3\x81\xE7\xB4\x99/\xE5\xA4\x95\xE7\x84\xBC\xE3\x81\x91.bmp");
    const std::string sunset_cp932 = dir.file("\x95\xC7\x8E\x86/\x97\x5B\x8F\xC4\x82\xAF.bmp"); // 壁紙/夕焼け
    const std::string latin1 = dir.file("caf\xE9.bmp");
    const std::string both = dir.file("\x8D\xF7.bmp"), both_utf8 = dir.file("\xE6\xA1\x9C.bmp"); // 桜
    write_file(sunset_utf8, "");
    write_file(latin1, "");
    write_file(both, "");
    write_file(both_utf8, "");
    struct Case {
        const char* name;
        std::string record, entry;
    } cases[] = {
        {"only its code page 932 reading is there", sunset_cp932, sunset_utf8},
        {"Latin-1, there by its bytes", latin1, latin1},
        {"both there: its bytes", both, both},
        {"neither there: its bytes", dir.file("\x8D\xF7\x8D\xF7.bmp"), dir.file("\x8D\xF7\x8D\xF7.bmp")},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("k_save.dat"), file = "\"1\"\r\n\"" + c.record + "\"\r\n";
        write_file(path, file);
        LoadedSettings loaded = LoadSettings(path);
        ASSERT_EQ(loaded.settings.entries.size(), 1u) << c.name;
        EXPECT_EQ(loaded.settings.entries[0], c.entry) << c.name;
        ASSERT_TRUE(SaveSettings(path, loaded.settings, loaded.as_read).ok()) << c.name;
        EXPECT_EQ(read_file(path), file) << c.name;
    }
}

TEST(SaveSettings, LeavesTheTemporaryFileOfASaveUnderWay) {
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    int folder = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(folder, LOCK_EX), 0); // as a save holds it while it writes
    write_file(dir.file("k_save.dat.wallcycle-save-Wr1tng"), "half a list");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(SaveSettings(path, {"3", {}}).ok() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    close(folder);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(read_file(dir.file("k_save.dat.wallcycle-save-Wr1tng")), "half a list");
    EXPECT_EQ(read_file(path), "\"3\"\r\n");
}

// What the user set up around the file stays: a link stays a link (its file gets the new list),
// and the owner, group, mode and access list of the file are the new file's (root saving a
// user's file, as a login script may).
TEST(SaveSettings, KeepsTheLinkOwnerModeAndAccessList) {
    TempDir dir;
    write_file(dir.file("dotfiles-k_save.dat"), "\"1\"\r\n");
    std::filesystem::create_symlink("dotfiles-k_save.dat", dir.file("k_save.dat"));
    ASSERT_TRUE(SaveSettings(dir.file("k_save.dat"), {"2", {"/a.bmp"}}).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("k_save.dat")));
    EXPECT_EQ(read_file(dir.file("dotfiles-k_save.dat")), "\"2\"\r\n\"/a.bmp\"\r\n");

    if (geteuid() != 0)
        GTEST_SKIP() << "giving a file to another user needs root";
    std::string path = dir.file("users.dat");
    write_file(path, "\"1\"\r\n");
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    Finished acl = run("setfacl", {"-m", "u:1:r", path});
    ASSERT_EQ(acl.exit_code, 0) << acl.err;
    std::string before = run("getfacl", {"-cp", path}).out;
    ASSERT_TRUE(SaveSettings(path, {"3", {}}).ok());
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(run("getfacl", {"-cp", path}).out, before);
    EXPECT_EQ(read_file(path), "\"3\"\r\n");
}

// Exact bytes wherever the file goes, its mode kept, nothing left beside it; a save that cannot
// be made leaves what stood there.
TEST(SaveSettings, WritesExactBytesOrLeavesWhatWasThere) {
    const Settings list{"10", {"/a.bmp", "", "/a.bmp", "/壁紙/桜,夜.bmp"}};
    const std::string bytes = "\"10\"\r\n\"/a.bmp\"\r\n\"\"\r\n\"/a.bmp\"\r\n\"/壁紙/桜,夜.bmp\"\r\n";
    struct Case {
        const char* name;
        const char* file; // under the test's folder
        void (*before)(const std::string& path);
        mode_t mode;      // the file's afterwards
        const char* says; // nullptr: the save must succeed
    } cases[] = {
        // clang-format off
        {"new file", "k_save.dat", nullptr, 0644, nullptr},
        {"the config folder is made", "config/wallcycle/k_save.dat", nullptr, 0644, nullptr},
        {"the file's mode is kept", "k_save.dat", [](const std::string& p) { write_file(p, "\"1\"\r\n"); chmod(p.c_str(), 0640); }, 0640, nullptr},
        {"a folder where the file goes", "k_save.dat", [](const std::string& p) { std::filesystem::create_directory(p); }, 0, "k_save.dat"},
        {"a file made read-only is left as it is", "k_save.dat", [](const std::string& p) { write_file(p, "\"1\"\r\n"); chmod(p.c_str(), 0444); }, 0, "read-only"},
        // clang-format on
    };
    umask(022); // a new file gets what a plain create would give: 0644, not a temporary file's 0600
    for (const auto& c : cases) {
        TempDir dir;
        std::string path = dir.path() + "/" + c.file;
        if (c.before)
            c.before(path);
        Status saved = SaveSettings(path, list);
        EXPECT_EQ(saved.ok(), c.says == nullptr) << c.name << ": " << saved.reason();
        if (c.says == nullptr) {
            EXPECT_EQ(read_file(path), bytes) << c.name;
            EXPECT_EQ(LoadSettings(path).settings, list) << c.name;
            struct stat info {};
            stat(path.c_str(), &info);
            EXPECT_EQ(info.st_mode & 07777, c.mode) << c.name;
        } else {
            EXPECT_NE(saved.reason().find(c.says), std::string::npos) << c.name << ": " << saved.reason();
        }
        std::string folder = std::filesystem::path(path).parent_path();
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1)
            << c.name << ": leftovers";
    }
}

// Root reads and writes everywhere, so these run as an unprivileged user: a settings file it may
// not read loads as unreadable, and a save into a folder it may not write fails with the reason and
// keeps the old file.
TEST(SettingsFile, WhatTheUserMayNotReadOrWriteSaysWhyAndKeepsTheFile) {
    TempDir dir;
    const std::string theirs = dir.file("theirs.dat"), path = dir.file("k_save.dat"),
                      old = "\"9\"\r\n\"/old.bmp\"\r\n";
    write_file(theirs, old);
    write_file(path, old);
    chmod(dir.path().c_str(), 0755);
    chmod(theirs.c_str(), 0000);
    chmod(path.c_str(), 0644);
    std::string reasons = as_another_user([&] {
        if (geteuid() != 0)
            chmod(dir.path().c_str(), 0555); // as an ordinary user, take away our own write access
        LoadedSettings loaded = LoadSettings(theirs);
        Status saved = SaveSettings(path, {"1", {"/new.bmp"}});
        return std::make_pair(loaded.problem == LoadProblem::Unreadable && !saved.ok(),
                              loaded.reason + "\n" + saved.reason());
    });
    chmod(dir.path().c_str(), 0755);
    std::string loading = reasons.substr(0, reasons.find('\n')), saving = reasons.substr(loading.size());
    EXPECT_NE(loading.find("Permission denied"), std::string::npos) << reasons;
    EXPECT_NE(saving.find(dir.path()), std::string::npos) << reasons;
    EXPECT_NE(saving.find("Permission denied"), std::string::npos) << reasons;
    EXPECT_EQ(read_file(path), old);
}

// A process saving in a loop is killed at random moments; each time the file must load whole as
// one of the two lists, never cut short. The next save removes the temporary files killed saves
// left; files that only look alike are the user's and stay.
TEST(SaveSettings, KilledAtAnyMomentLeavesOldOrNewWholeAndTheNextSaveTidies) {
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    const char* not_ours[] = {"k_save.dat.backup",
                              "k_save.dat.orig01",
                              "k_save.dat.2024ok",
                              "k_save.dat.wallcycle-save-AbC12",
                              "k_save.dat.wallcycle-save-AbC-12",
                              "other.dat.wallcycle-save-AbC123",
                              "k_save.dat.bak"};
    for (const char* name : not_ours)
        write_file(dir.file(name), "keep");
    write_file(dir.file("k_save.dat.wallcycle-save-AbC123"), "left by a killed save");
    std::filesystem::create_directory(dir.file("k_save.dat.wallcycle-save-Folder"));
    Settings first{"11", {}}, second{"22", {}}; // long enough for a kill to land inside a save
    for (int i = 0; i < 4000; ++i) {
        second.entries.push_back("/pictures/second-" + std::to_string(i) + ".bmp");
        if (i < 3000)
            first.entries.push_back("/pictures/first-" + std::to_string(i) + ".bmp");
    }
    ASSERT_TRUE(SaveSettings(path, first).ok());
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause_us(0, 30000);
    for (int round = 0; round < 100; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                (void)SaveSettings(path, i % 2 == 0 ? second : first);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(pause_us(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        LoadedSettings loaded = LoadSettings(path);
        ASSERT_EQ(loaded.problem, LoadProblem::None) << "round " << round;
        ASSERT_TRUE(loaded.settings == first || loaded.settings == second)
            << "round " << round << ": " << loaded.settings.entries.size() << " entries";
    }
    ASSERT_TRUE(SaveSettings(path, {"2", {"/a.bmp"}}).ok());
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    std::set<std::string> expected(std::begin(not_ours), std::end(not_ours));
    expected.insert({"k_save.dat", "k_save.dat.wallcycle-save-Folder"});
    EXPECT_EQ(left, expected);
}

} // namespace
