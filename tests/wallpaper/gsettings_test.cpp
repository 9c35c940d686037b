// GNOME, Cinnamon and MATE against the real GSettings library and the installed schemas, stored
// in a private keyfile (GSETTINGS_BACKEND=keyfile) and read back by a separate gsettings process.

#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "wallpaper/backend_loader.h"
#include "wallpaper/backends/gsettings_access.h"

#include <cstdlib>
#include <gio/gio.h>
#include <gtest/gtest.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

TempDir* config_home = nullptr; // this process's private settings store, made before GIO starts

std::string gsettings_get(const char* schema, const char* key) {
    TempDir out;
    Finished done =
        run("/bin/sh", {"-c", std::string("gsettings get ") + schema + " " + key + " > " + out.file("v")},
            {{"GSETTINGS_BACKEND", "keyfile"}, {"XDG_CONFIG_HOME", config_home->path()}});
    EXPECT_EQ(done.exit_code, 0) << done.err;
    std::string value = read_file(out.file("v"));
    while (!value.empty() && value.back() == '\n')
        value.pop_back();
    return value;
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
    const char* names[] = {"plain.png", "two words.png", "hash#and%percent.bmp", "桜 の 写真.jpg"};
    for (const auto& c : cases) {
        auto backend = make_backend(c.backend);
        ASSERT_TRUE(backend->can_run().ok()) << c.backend << ": " << backend->can_run().reason();
        for (const char* name : names) {
            std::string path = pictures.file(name);
            write_solid_image(path, 0x336699);
            Status applied = backend->apply(path);
            ASSERT_TRUE(applied.ok()) << c.backend << " " << name << ": " << applied.reason();
            std::string expected = "'" + (c.uri ? file_uri(path) : path) + "'";
            EXPECT_EQ(gsettings_get(c.schema, c.key), expected) << c.backend << " " << name;
            if (c.dark_key) {
                EXPECT_EQ(gsettings_get(c.schema, c.dark_key), expected) << c.backend << " " << name;
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

void record_change(GSettings* settings, gchar* key, gpointer log) {
    gchar* value = g_settings_get_string(settings, key);
    static_cast<std::vector<std::string>*>(log)->push_back(value);
    g_free(value);
}

// GNOME repaints only when the value changes: the same picture again must still be seen as a change.
TEST(GSettings, TheSamePictureTwiceIsAChangeBothTimes) {
    TempDir pictures;
    std::string path = pictures.file("same.png");
    write_solid_image(path, 0x445566);
    auto backend = make_backend("gnome");
    ASSERT_TRUE(backend->apply(path).ok());

    GSettings* watcher = g_settings_new("org.gnome.desktop.background");
    std::vector<std::string> seen;
    g_signal_connect(watcher, "changed::picture-uri", G_CALLBACK(record_change), &seen);
    g_free(g_settings_get_string(watcher, "picture-uri")); // GSettings reports changes of keys it has read
    ASSERT_TRUE(backend->apply(path).ok());
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    g_object_unref(watcher);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.back(), file_uri(path));
    EXPECT_NE(seen[seen.size() - 2], file_uri(path));
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
    TempDir home;
    config_home = &home;
    // Before GIO picks its settings store: a private keyfile, never the real user's dconf.
    setenv("GSETTINGS_BACKEND", "keyfile", 1);
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
