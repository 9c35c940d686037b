// GNOME, Cinnamon and MATE against the real GSettings library and the installed schemas, stored
// in a private keyfile (GSETTINGS_BACKEND=keyfile) and read back by a separate gsettings process.

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "wallpaper/backend_loader.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

TempDir* home = nullptr; // this process's private settings store and data, made before GIO starts

std::string gsettings_get(const char* schema, const char* key) {
    // Read back in a UTF-8 locale whatever the caller's: gsettings writes what it cannot show as "?".
    Finished done =
        run("/usr/bin/gsettings", {"get", schema, key},
            {{"GSETTINGS_BACKEND", "keyfile"}, {"XDG_CONFIG_HOME", home->path()}, {"LC_ALL", "C.UTF-8"}});
    EXPECT_EQ(done.exit_code, 0) << done.err;
    return done.out.substr(0, done.out.find('\n'));
}

// What the real shells cannot show: GNOME's dark-style key gets the picture too, and a picture
// that cannot be shown leaves the stored value as it was. (The shells test reads every desktop's
// drawn picture back, for every format and for names with blanks, Japanese, "#" and "%".)
TEST(GSettings, TheDarkStyleGetsThePictureAndABrokenOneChangesNothing) {
    TempDir pictures;
    auto backend = make_backend("gnome");
    ASSERT_TRUE(backend->can_run().ok()) << backend->can_run().reason();
    const char* schema = "org.gnome.desktop.background";
    for (const char* name : {"plain.png", "still.webp"}) { // the user's file, and one made for GNOME
        write_solid_image(pictures.file(name), 0x336699);
        Status applied = backend->apply(pictures.file(name));
        ASSERT_TRUE(applied.ok()) << name << ": " << applied.reason();
        std::string stored = gsettings_get(schema, "picture-uri");
        EXPECT_NE(stored.find(std::string(name).ends_with(".png")
                                  ? "file://" + pictures.file(name) // names of plain letters here
                                  : "file://" + home->file("data/wallcycle/gnome-wallpaper-")),
                  std::string::npos)
            << name << ": " << stored;
        EXPECT_EQ(gsettings_get(schema, "picture-uri-dark"), stored) << name;
        EXPECT_EQ(gsettings_get(schema, "picture-options"), "'zoom'");
    }
    std::string before = gsettings_get(schema, "picture-uri");
    write_file(pictures.file("broken.png"), "not a picture");
    Status applied = backend->apply(pictures.file("broken.png"));
    EXPECT_FALSE(applied.ok());
    EXPECT_NE(applied.reason().find("broken.png"), std::string::npos) << applied.reason();
    EXPECT_EQ(gsettings_get(schema, "picture-uri"), before);
}

// The clean-up after a change removes only pictures this program made (its name pattern and its
// mark, files of the user's own), with the temporaries killed writes left, and nothing through a
// link to another folder.
TEST(GSettings, TheCleanUpRemovesOnlyPicturesOfOurs) {
    TempDir pictures;
    auto backend = make_backend("gnome");
    ASSERT_TRUE(backend->can_run().ok()) << backend->can_run().reason();
    write_solid_image(pictures.file("still.webp"), 0x336699);
    ASSERT_TRUE(backend->apply(pictures.file("still.webp")).ok());
    const std::string ours = home->file("data/wallcycle");
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(ours))
        made.push_back(entry.path().string());
    ASSERT_EQ(made.size(), 1u);
    const std::string users = ours + "/gnome-wallpaper-1.png", unmarked = ours + "/gnome-wallpaper-abc.png",
                      killed = ours + "/gnome-wallpaper-1f.png.wallcycle-save-AbC123";
    std::filesystem::copy_file(pictures.file("still.webp"), users); // not a PNG of ours
    write_solid_image(unmarked, 0x112233);                          // a PNG without the mark
    write_file(killed, "half a picture");
    ASSERT_TRUE(backend->apply(pictures.file("still.webp")).ok());
    EXPECT_FALSE(std::filesystem::exists(made[0])) << "the picture made before stays";
    EXPECT_TRUE(std::filesystem::exists(users));
    EXPECT_TRUE(std::filesystem::exists(unmarked));
    EXPECT_FALSE(std::filesystem::exists(killed)) << "a killed write's temporary stays";

    // Through a link, the folder is written to but nothing in it is removed.
    TempDir elsewhere;
    for (const auto& entry : std::filesystem::directory_iterator(ours))
        std::filesystem::copy_file(entry.path(), elsewhere.file(entry.path().filename().string()));
    std::filesystem::remove_all(ours);
    std::filesystem::create_directory_symlink(elsewhere.path(), ours);
    auto count = [&] {
        return std::distance(std::filesystem::directory_iterator(elsewhere.path()),
                             std::filesystem::directory_iterator());
    };
    const auto before = count();
    ASSERT_TRUE(backend->apply(pictures.file("still.webp")).ok());
    EXPECT_EQ(count(), before + 1);
    std::filesystem::remove(ours);
}

} // namespace

int main(int argc, char** argv) {
    TempDir private_home;
    home = &private_home;
    // Before GIO picks its settings store: a private keyfile, never the real user's dconf.
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", private_home.path().c_str(), 1);
    setenv("XDG_DATA_HOME", private_home.file("data").c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
