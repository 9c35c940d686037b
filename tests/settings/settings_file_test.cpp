// The settings file on disk: load results, byte-exact saves, and that a save never leaves a
// damaged file behind.

#include "settings/settings_file.h"
#include "tests/support/temp_dir.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace wallcycle;
using wallcycle::test::read_file;
using wallcycle::test::TempDir;
using wallcycle::test::write_file;

namespace {

TEST(LoadSettings, Outcomes) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // nothing: no file at all
        LoadProblem problem;
        Settings settings;
    } cases[] = {
        {"missing", std::nullopt, LoadProblem::Missing, {"0", {}}},
        {"empty file", std::string(), LoadProblem::Empty, {"0", {}}},
        {"only line ends", std::string("\r\n\r\n"), LoadProblem::Empty, {"0", {}}},
        {"interval only", std::string("\"5\"\r\n"), LoadProblem::None, {"5", {}}},
        {"empty interval", std::string("\"\"\r\n\"/a.bmp\"\r\n"), LoadProblem::None, {"", {"/a.bmp"}}},
        {"list",
         std::string("\"10\"\r\n\"/a.bmp\"\r\n\"\"\r\n\"/a.bmp\"\r\n"),
         LoadProblem::None,
         {"10", {"/a.bmp", "", "/a.bmp"}}},
        {"cp932", std::string("\"3\"\r\n\"C:\\\x8D\xF7.bmp\"\r\n"), LoadProblem::None, {"3", {"C:\\桜.bmp"}}},
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string path = dir.file("k_save.dat");
        if (c.bytes)
            write_file(path, *c.bytes);
        LoadedSettings loaded = LoadSettings(path);
        EXPECT_EQ(loaded.problem, c.problem) << c.name;
        EXPECT_EQ(loaded.settings, c.settings) << c.name;
        if (c.problem != LoadProblem::None) {
            EXPECT_NE(loaded.reason.find(path), std::string::npos) << c.name << ": " << loaded.reason;
        }
    }
}

TEST(LoadSettings, AFolderInPlaceOfTheFileIsUnreadable) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("k_save.dat"));
    LoadedSettings loaded = LoadSettings(dir.file("k_save.dat"));
    EXPECT_EQ(loaded.problem, LoadProblem::Unreadable);
    EXPECT_EQ(loaded.settings, Settings{});
}

TEST(SaveSettings, WritesExactBytesAndReadsBack) {
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    ASSERT_TRUE(SaveSettings(path, {"5", {}}).ok());
    EXPECT_EQ(read_file(path), "\"5\"\r\n");

    Settings settings{"10", {"/a.bmp", "", "/a.bmp", "/壁紙/桜,夜.bmp"}};
    ASSERT_TRUE(SaveSettings(path, settings).ok());
    EXPECT_EQ(read_file(path), "\"10\"\r\n\"/a.bmp\"\r\n\"\"\r\n\"/a.bmp\"\r\n\"/壁紙/桜,夜.bmp\"\r\n");
    EXPECT_EQ(LoadSettings(path).settings, settings);
    // Nothing else is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(SaveSettings, CreatesTheConfigFolder) {
    TempDir dir;
    std::string path = dir.path() + "/config/wallcycle/k_save.dat";
    ASSERT_TRUE(SaveSettings(path, {"1", {"/a.bmp"}}).ok());
    EXPECT_EQ(LoadSettings(path).settings, (Settings{"1", {"/a.bmp"}}));
}

TEST(SaveSettings, KeepsTheFilesPermissions) {
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    write_file(path, "\"1\"\r\n");
    chmod(path.c_str(), 0640);
    ASSERT_TRUE(SaveSettings(path, {"2", {}}).ok());
    struct stat info {};
    stat(path.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(SaveSettings, UnstorableEntryLeavesTheOldFile) {
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    write_file(path, "\"7\"\r\n\"/old.bmp\"\r\n");
    Status saved = SaveSettings(path, {"7", {"/old.bmp", "/a \"quoted\" name.bmp"}});
    ASSERT_FALSE(saved.ok());
    EXPECT_NE(saved.reason().find("/a \"quoted\" name.bmp"), std::string::npos) << saved.reason();
    EXPECT_EQ(read_file(path), "\"7\"\r\n\"/old.bmp\"\r\n");
}

TEST(SaveSettings, AFolderStandingWhereTheFileGoes) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("k_save.dat"));
    Status saved = SaveSettings(dir.file("k_save.dat"), {"1", {}});
    ASSERT_FALSE(saved.ok());
    EXPECT_NE(saved.reason().find("k_save.dat"), std::string::npos) << saved.reason();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no leftovers
}

// Root may write anywhere, so the save runs as an unprivileged user in a folder it cannot write.
TEST(SaveSettings, UnwritableFolderFailsWithReasonAndKeepsTheOldFile) {
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    const std::string old_bytes = "\"9\"\r\n\"/old.bmp\"\r\n";
    write_file(path, old_bytes);
    chmod(dir.path().c_str(), 0755);
    chmod(path.c_str(), 0644);

    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipe_fds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(3);
        if (geteuid() != 0)
            chmod(dir.path().c_str(), 0555); // as an ordinary user, take away our own write access
        Status saved = SaveSettings(path, {"1", {"/new.bmp"}});
        std::string reason = saved.reason();
        (void)!write(pipe_fds[1], reason.data(), reason.size());
        _exit(saved.ok() ? 0 : 1);
    }
    close(pipe_fds[1]);
    std::string reason;
    char buffer[512];
    for (ssize_t got; (got = read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
        reason.append(buffer, static_cast<size_t>(got));
    close(pipe_fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    chmod(dir.path().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the save should have failed";
    EXPECT_NE(reason.find(dir.path()), std::string::npos) << reason;
    EXPECT_NE(reason.find("Permission denied"), std::string::npos) << reason;
    EXPECT_EQ(read_file(path), old_bytes);
}

Settings numbered_list(const char* interval, int count, const char* stem) {
    Settings settings{interval, {}};
    for (int i = 0; i < count; ++i)
        settings.entries.push_back(std::string("/pictures/") + stem + "-" + std::to_string(i) + ".bmp");
    return settings;
}

// A process saving in a loop is killed at random moments; each time the file must load whole as
// one of the two lists, never cut short.
TEST(SaveSettings, KilledAtAnyMomentLeavesOldOrNewWhole) {
    TempDir dir;
    std::string path = dir.file("k_save.dat");
    const Settings first = numbered_list("11", 3000, "first");
    const Settings second = numbered_list("22", 4000, "second");
    ASSERT_TRUE(SaveSettings(path, first).ok());
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> pause_us(0, 30000);
    for (int round = 0; round < 100; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                SaveSettings(path, i % 2 == 0 ? second : first);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(pause_us(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        LoadedSettings loaded = LoadSettings(path);
        ASSERT_EQ(loaded.problem, LoadProblem::None) << "round " << round;
        ASSERT_TRUE(loaded.settings == first || loaded.settings == second)
            << "round " << round << ": " << loaded.settings.entries.size() << " entries";
    }
}

} // namespace
