// GNOME, Cinnamon and MATE against the real GSettings library and the installed schemas, stored
// in a private keyfile (GSETTINGS_BACKEND=keyfile) and read back by a separate gsettings process.

#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backends/gsettings_access.h"

#include <cstdlib>
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

// file:// and the path with every byte outside letters, digits, "-._~/" as %XX.
std::string file_uri(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/')
            out += static_cast<char>(c);
        else
            out += std::string("%") + hex[c >> 4] + hex[c & 15];
    }
    return out;
}

TEST(GSettings, StoresThePictureAsEachDesktopReadsIt) {
    TempDir pictures;
    struct Case {
        const char* backend;
        const char* schema;
        const char* key;
        bool uri;
        const char* dark_key;
    } cases[] = {
        {"gnome", "org.gnome.desktop.background", "picture-uri", true, "picture-uri-dark"},
        {"cinnamon", "org.cinnamon.desktop.background", "picture-uri", true, nullptr},
        {"mate", "org.mate.background", "picture-filename", false, nullptr},
    };
    // JPEG and PNG go as the user's own file; other formats as a picture made for the desktop.
    struct Picture {
        const char* name;
        bool made;
    } names[] = {{"plain.png", false},      {"two words.png", false}, {"hash#and%percent.png", false},
                 {"桜 の 写真.jpg", false}, {"old.bmp", true},        {"still.webp", true}};
    for (const auto& c : cases) {
        auto backend = make_backend(c.backend);
        ASSERT_TRUE(backend->can_run().ok()) << c.backend << ": " << backend->can_run().reason();
        for (const auto& [name, made] : names) {
            std::string path = pictures.file(name);
            write_solid_image(path, 0x336699);
            Status applied = backend->apply(path);
            ASSERT_TRUE(applied.ok()) << c.backend << " " << name << ": " << applied.reason();
            std::string stored = gsettings_get(c.schema, c.key);
            if (made) {
                std::string prefix = home->file("data/wallcycle/") + c.backend + "-wallpaper-";
                EXPECT_EQ(stored.find(c.uri ? file_uri(prefix) : prefix), 1u)
                    << c.backend << " " << name << stored;
            } else {
                EXPECT_EQ(stored, "'" + (c.uri ? file_uri(path) : path) + "'") << c.backend << " " << name;
            }
            if (c.dark_key) {
                EXPECT_EQ(gsettings_get(c.schema, c.dark_key), stored) << c.backend << " " << name;
            }
            EXPECT_EQ(gsettings_get(c.schema, "picture-options"), "'zoom'") << c.backend;
        }
    }
}

TEST(GSettings, ABrokenImageChangesNothing) {
    TempDir pictures;
    std::string good = pictures.file("good.png");
    write_solid_image(good, 0x112233);
    write_file(pictures.file("broken.png"), "not a picture");
    auto backend = make_backend("gnome");
    ASSERT_TRUE(backend->apply(good).ok());
    Status applied = backend->apply(pictures.file("broken.png"));
    EXPECT_FALSE(applied.ok());
    EXPECT_NE(applied.reason().find("broken.png"), std::string::npos) << applied.reason();
    EXPECT_EQ(gsettings_get("org.gnome.desktop.background", "picture-uri"), "'" + file_uri(good) + "'");
}

TEST(GSettings, AMissingSchemaIsReportedNotFatal) {
    wallcycle::GSettingsDesktopBackend missing(
        "none", {"org.example.no.such.schema", "picture-uri", true, nullptr, "picture-options", "zoom"});
    Status usable = missing.can_run();
    EXPECT_FALSE(usable.ok());
    EXPECT_NE(usable.reason().find("org.example.no.such.schema"), std::string::npos) << usable.reason();
    EXPECT_FALSE(missing.apply("/x.png").ok());
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
