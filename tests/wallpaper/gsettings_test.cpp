// GNOME, Cinnamon and MATE against the real GSettings library and the installed schemas, stored
// in a private keyfile (GSETTINGS_BACKEND=keyfile) and read back by a separate gsettings process.

#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/files.h"
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
                                  ? file_uri(pictures.file(name))
                                  : file_uri(home->file("data/wallcycle/gnome-wallpaper-"))),
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
