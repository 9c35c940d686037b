// Folder entries: which pictures a folder stands for (real folders on disk), and the pick over a
// list with folders in it.

#include "tests/support/files.h"
#include "tests/support/probe_backend.h"
#include "wallpaper/pick_and_apply.h"
#include "wallpaper/picture_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace wallcycle;
using namespace wallcycle::test;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

void touch(const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    write_file(path, "x");
}

TEST(PictureFolder, WhatAFolderStandsFor) {
    std::string d16; // sixteen folders down
    for (int level = 0; level < 16; ++level)
        d16 += "d/";
    struct Case {
        const char* name;
        Names files; // made under the folder ("/" ends a folder)
        void (*extra)(const std::string& folder);
        Names pictures; // relative to the folder, in the order given back
    } cases[] = {
        // clang-format off
        {"pictures only", {"b.png", "a.JPG", "c.bmp"}, nullptr, {"a.JPG", "b.png", "c.bmp"}},
        {"non-pictures skipped", {"a.png", "notes.txt", "noending", "b.webp"}, nullptr, {"a.png", "b.webp"}},
        {"phone photos, AVIF and JPEG XL", {"IMG_1.HEIC", "b.heif", "c.avif", "d.jxl"}, nullptr, {"IMG_1.HEIC", "b.heif", "c.avif", "d.jxl"}},
        {"nested", {"a.png", "sub/b.png", "sub/deeper/c.gif"}, nullptr, {"a.png", "sub/b.png", "sub/deeper/c.gif"}},
        {"hidden files and folders skipped", {".secret.png", ".cache/a.png", "shown.png"}, nullptr, {"shown.png"}},
        {"empty", {}, nullptr, {}},
        {"a folder named like a picture is entered", {"album.jpg/a.png"}, nullptr, {"album.jpg/a.png"}},
        {"a loop of links is harmless", {"a.png", "sub/b.png"}, [](const std::string& f) { fs::create_directory_symlink(f, f + "/sub/back"); }, {"a.png", "sub/b.png"}},
        {"a link to a picture counts, a dangling one not", {"a.png"}, [](const std::string& f) { fs::create_symlink(f + "/a.png", f + "/link.png"); fs::create_symlink(f + "/gone.png", f + "/dangling.png"); }, {"a.png", "link.png"}},
        {"a named pipe is no picture", {"a.png"}, [](const std::string& f) { mkfifo((f + "/pipe.png").c_str(), 0600); }, {"a.png"}},
        {"deeper than 16 levels is not walked", {"a.png", d16 + "level16.png", d16 + "d/level17.png"}, nullptr, {"a.png", d16 + "level16.png"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        TempDir dir;
        std::string folder = dir.file("pictures");
        fs::create_directory(folder);
        for (const auto& file : c.files)
            touch(folder + "/" + file);
        if (c.extra)
            c.extra(folder);
        Result<Names> found = pictures_in_folder(folder);
        ASSERT_TRUE(found.ok()) << c.name << ": " << found.reason();
        Names expected;
        for (const auto& picture : c.pictures)
            expected.push_back(folder + "/" + picture);
        EXPECT_EQ(found.value(), expected) << c.name;
    }
}

// Root reads every folder, so the walk runs as an unprivileged user.
TEST(PictureFolder, AFolderThatCannotBeReadSaysWhy) {
    TempDir dir;
    std::string folder = dir.file("closed");
    touch(folder + "/a.png");
    chmod(dir.path().c_str(), 0755);
    chmod(folder.c_str(), 0000);
    std::string reason = as_another_user([&] {
        Result<Names> found = pictures_in_folder(folder);
        return std::make_pair(!found.ok(), found.reason());
    });
    chmod(folder.c_str(), 0755);
    EXPECT_NE(reason.find("Permission denied"), std::string::npos) << reason;
}

struct Desk {
    std::vector<std::string> log;
    BackendList backends;
    ProbeBackend* desktop;
    Desk() {
        auto probe = std::make_unique<ProbeBackend>("x11", true, &log);
        desktop = probe.get();
        backends.push_back(std::move(probe));
    }
};

// Each picture the list stands for is equally likely: a folder of three pictures and a file are
// four pictures, a quarter each (a pick per entry would give the file a half). A fixed generator
// keeps the check exact from run to run.
TEST(FolderPick, UniformOverEveryPictureTheListStandsFor) {
    TempDir dir;
    std::string folder = dir.file("album");
    for (const char* name : {"a.png", "b.png", "c.png"})
        touch(folder + "/" + name);
    Names entries{folder, dir.file("single.bmp")};
    std::mt19937 generator(20261207);
    std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
    Desk desk;
    std::map<std::string, int> seen;
    const int draws = 20000;
    for (int i = 0; i < draws; ++i) {
        PickOutcome outcome =
            apply_random_entry(entries, desk.backends, {}, [&] { return fraction(generator); });
        ASSERT_TRUE(outcome.status.ok());
        ++seen[outcome.path];
    }
    ASSERT_EQ(seen.size(), 4u);
    for (const auto& [path, count] : seen)
        EXPECT_NEAR(count, draws / 4, draws / 50) << path;
}

// A damaged picture in a folder is skipped, noted for stderr, and another taken; pictures that are
// all unusable, an empty folder, a folder that is gone: nothing is set, and the reason says why.
TEST(FolderPick, UnusablePicturesAreSkippedAndEmptyFoldersRefused) {
    TempDir dir;
    std::string album = dir.file("album"), empty = dir.file("empty");
    for (const char* name : {"bad1.png", "bad2.png", "good.png"})
        touch(album + "/" + name);
    fs::create_directory(empty);
    struct Case {
        const char* name;
        Names entries;
        Names refused;
        bool set;
        const char* says; // in the failure, or in the notes for stderr when it was set
    } cases[] = {
        // clang-format off
        {"damaged ones skipped", {album}, {album + "/bad1.png", album + "/bad2.png"}, true, "skipped a picture"},
        {"all damaged", {album}, {album + "/bad1.png", album + "/bad2.png", album + "/good.png"}, false, "no usable picture"},
        {"an empty folder", {empty}, {}, false, "hold no pictures"},
        {"a plain entry is not retried", {album + "/bad1.png"}, {album + "/bad1.png"}, false, "damaged"},
        // clang-format on
    };
    for (const auto& c : cases) {
        Desk desk;
        desk.desktop->refused.insert(c.refused.begin(), c.refused.end());
        float next = 0.0f; // always the first of what is left
        PickOutcome outcome = apply_random_entry(c.entries, desk.backends, {}, [&] { return next; });
        std::string said = outcome.notes.empty() ? "" : outcome.notes.front();
        EXPECT_EQ(outcome.status.ok(), c.set) << c.name << ": " << outcome.status.reason();
        if (c.set) {
            EXPECT_EQ(outcome.path, album + "/good.png") << c.name;
            EXPECT_NE(said.find(c.says), std::string::npos) << c.name << ": " << said;
        } else {
            EXPECT_NE(outcome.status.reason().find(c.says), std::string::npos)
                << c.name << ": " << outcome.status.reason();
        }
        EXPECT_LE(desk.log.size(), static_cast<std::size_t>(picture_attempts)) << c.name;
    }
    // From the window: the chosen folder entry sets one of its own pictures.
    Desk desk;
    PickOutcome chosen = apply_entry(album, desk.backends, [] { return 0.99f; });
    EXPECT_TRUE(chosen.status.ok());
    EXPECT_EQ(chosen.path, album + "/good.png");
}

} // namespace
