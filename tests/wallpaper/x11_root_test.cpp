// The X11 root backend against a real X server (Xvfb started by each test), read back pixel by pixel.

#include "tests/support/files.h"
#include "tests/support/images.h"
#include "tests/support/process.h"
#include "tests/support/xvfb.h"
#include "wallpaper/apply_wallpaper.h"
#include "wallpaper/backends/x11_root.h"

#include <QByteArray>
#include <QImage>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace wallcycle;
using namespace wallcycle::test;

namespace {

constexpr std::uint32_t red = 0xdd2211, green = 0x22bb33, blue = 0x1144ee;

TEST(X11Root, SetsEachImageFormatAndTheRootAtoms) {
    Xvfb server(320, 200);
    TempDir dir;
    X11RootBackend backend(server.display());
    // clang-format off
    for (auto [file, colour] : {std::pair{"a.bmp", red}, {"b.png", green}, {"c.jpg", blue}, {"d.BMP", green},
             {"e.webp", red}, {"f.tiff", green}, {"g.svg", red}, {"h.heic", blue}, {"i.avif", red},
             {"j.jxl", green}, {"k.gif", blue}, {"l.ppm", red}}) { // as desktops ship theirs
        // clang-format on
        std::string path = dir.file(file);
        if (path.ends_with(".svg")) // with text: drawing it needs Qt's font database
            write_file(path, "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='30'>"
                             "<rect width='40' height='30' fill='#dd2211'/>"
                             "<text x='22' y='27' font-size='3'>桜 text</text></svg>");
        else
            write_solid_image(path, colour, 40, 30);
        Status applied = backend.apply(path);
        ASSERT_TRUE(applied.ok()) << file << ": " << applied.reason();
        for (auto [x, y] : {std::pair{0, 0}, {319, 199}, {160, 100}})
            EXPECT_TRUE(colours_near(root_pixel(server.display(), x, y), colour))
                << file << " at " << x << "," << y << ": " << std::hex << root_pixel(server.display(), x, y);
        std::uint32_t xroot = root_pixmap_property(server.display(), "_XROOTPMAP_ID");
        EXPECT_NE(xroot, 0u);
        EXPECT_EQ(xroot, root_pixmap_property(server.display(), "ESETROOT_PMAP_ID"));
    }
}

// Servers unlike a desktop's usual one: without shared memory (as over a network), and at 16 bits
// a pixel.
TEST(X11Root, SetsThePictureWithoutSharedMemoryAndAtDepth16) {
    struct Case {
        const char* name;
        int depth;
        std::vector<std::string> options;
    } cases[] = {{"no MIT-SHM", 24, {"-extension", "MIT-SHM"}}, {"depth 16", 16, {}}};
    TempDir dir;
    write_solid_image(dir.file("a.jpg"), blue, 40, 30);
    for (const auto& c : cases) {
        Xvfb server(320, 200, c.depth, c.options);
        Status applied = X11RootBackend(server.display()).apply(dir.file("a.jpg"));
        ASSERT_TRUE(applied.ok()) << c.name << ": " << applied.reason();
        for (auto [x, y] : {std::pair{0, 0}, {319, 199}})
            EXPECT_TRUE(colours_near(root_pixel(server.display(), x, y), blue, 8))
                << c.name << ": " << std::hex << root_pixel(server.display(), x, y);
    }
}

TEST(X11Root, CoversEachMonitorKeepingTheAspectRatio) {
    // A 2:1 picture, red on the left half and blue on the right.
    struct Case {
        const char* name;
        bool two_monitors;
        // Expected colour at x = 100, 900, 1060, 1860 (y = 500).
        std::uint32_t expected[4];
    } cases[] = {
        // One 1920x1080 monitor: scaled to 2160x1080, 120 columns cut on each side.
        {"one monitor", false, {red, red, blue, blue}},
        // Two 960x1080 monitors: each shows the picture's middle, red then blue.
        {"two monitors", true, {red, blue, red, blue}},
    };
    for (const auto& c : cases) {
        Xvfb server(1920, 1080);
        // Two monitors as RandR reports a dual-head desktop, made as a session's setup would (libxcb's
        // own SetMonitor request is mis-sized in this version); the first takes Xvfb's only output.
        if (c.two_monitors) {
            ASSERT_EQ(run("/bin/sh",
                          {"-c", "xrandr --setmonitor left 960/100x1080/100+0+0 screen && "
                                 "xrandr --setmonitor right 960/100x1080/100+960+0 none"},
                          {{"DISPLAY", server.display()}})
                          .exit_code,
                      0);
        }
        TempDir dir;
        write_split_image(dir.file("split.png"), red, blue, 200, 100);
        Status applied = X11RootBackend(server.display()).apply(dir.file("split.png"));
        ASSERT_TRUE(applied.ok()) << applied.reason();
        int xs[] = {100, 900, 1060, 1860};
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(colours_near(root_pixel(server.display(), xs[i], 500), c.expected[i]))
                << c.name << " at x=" << xs[i] << ": " << std::hex
                << root_pixel(server.display(), xs[i], 500);
    }
}

// A large picture shown smaller must look as Qt's smooth scaling makes it, however the decoder
// scales (inside the JPEG decoder, or after reading).
TEST(X11Root, ScaledPicturesStaySmooth) {
    Xvfb server(960, 540);
    TempDir dir;
    QImage source(3840, 2160, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            int stripe = (x / 2 + y / 2) % 2 ? 40 : 0; // fine detail that nearest-pixel scaling would alias
            source.setPixel(x, y, qRgb(x * 200 / 3840 + stripe, y * 200 / 2160 + stripe, 120 + stripe));
        }
    const std::string source_png = dir.file("source.png");
    ASSERT_TRUE(source.save(QString::fromStdString(source_png)));
    // Formats Qt does not write come from their own encoders (the grid, as a phone stores its
    // photos, is decoded a tile at a time where libheif can); what their own decoders make of the
    // file is the picture it holds.
    const std::tuple<const char*, std::vector<std::string>, const char*> cases[] = {
        {"gradient.png", {}, ""},
        {"gradient.jpg", {}, ""},
        {"gradient.webp", {}, ""},
        {"gradient.heic", {"heif-enc", "-q", "90", source_png, "-o"}, "heif-convert"},
        {"grid.avif", {"avifenc", "-s", "10", "--grid", "4x4", source_png}, "avifdec"},
    };
    for (const auto& [name, encode, decode] : cases) {
        std::string path = dir.file(name), made = path;
        if (encode.empty())
            ASSERT_TRUE(source.save(QString::fromStdString(made), nullptr, 95));
        else {
            std::vector<std::string> args(encode.begin() + 1, encode.end());
            args.push_back(path);
            // An HEVC encoder on a loaded machine takes its time with a 4K picture.
            Finished encoded = run(encode[0], args, {}, 180000);
            ASSERT_EQ(encoded.exit_code, 0) << name << ": " << encoded.err;
            made = path + ".png";
            ASSERT_EQ(run(decode, {path, made}, {}, 180000).exit_code, 0) << name;
        }
        Status applied = X11RootBackend(server.display()).apply(path);
        ASSERT_TRUE(applied.ok()) << applied.reason();
        QImage shown = grab_screen_area(server.display(), 0, 0, 960, 540);
        QImage expected = QImage(QString::fromStdString(made))
                              .convertToFormat(QImage::Format_RGB32)
                              .scaled(960, 540, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        double mean = mean_difference(shown, expected);
        EXPECT_LT(mean, 3.0) << name << ": mean error " << mean << " per channel";
        RecordProperty(std::string("mean_error_") + name, std::to_string(mean));
    }
}

// Every kind of damage to every format, every kind of file that is no picture: refused with the
// file named and why, and the wallpaper stays as it was.
TEST(X11Root, UnusableImagesLeaveTheWallpaperAlone) {
    Xvfb server(320, 200);
    TempDir dir;
    X11RootBackend backend(server.display());
    write_solid_image(dir.file("good.png"), green, 20, 20);
    ASSERT_TRUE(backend.apply(dir.file("good.png")).ok());
    std::uint32_t pixmap = root_pixmap_property(server.display(), "_XROOTPMAP_ID");

    struct Case {
        std::string file;
        std::string says;
    };
    std::vector<Case> cases;
    // Photo-like pictures (split, so no decoder can guess the missing part), then damaged.
    for (const char* format :
         {"jpg", "progressive.jpg", "png", "webp", "bmp", "tiff", "heic", "avif", "jxl"}) {
        std::string name = std::string("photo.") + format;
        write_split_image(dir.file(name), red, blue, 400, 300);
        std::string whole = read_file(dir.file(name));
        auto damaged = [&](const std::string& how, const std::string& bytes) {
            write_file(dir.file(how + "." + format), bytes);
            cases.push_back({how + "." + format, ""});
        };
        for (std::size_t eighths : {2, 4, 6, 7})
            damaged("cut-" + std::to_string(eighths), whole.substr(0, whole.size() * eighths / 8));
        damaged("header-only", whole.substr(0, 30));
        damaged("no-last-bytes", whole.substr(0, whole.size() - 2));
        std::string junk = whole;
        for (std::size_t i = junk.size() / 3; i < junk.size(); ++i)
            junk[i] = static_cast<char>(i * 7919 % 251);
        if (std::string(format) != "bmp") // any bytes are pixels to a BMP
            damaged("junk", junk);
    }
    write_file(dir.file("empty.bmp"), "");
    write_file(dir.file("text.bmp"), "this is not an image\n");
    std::filesystem::create_directory(dir.file("folder.bmp"));
    mkfifo(dir.file("pipe.bmp").c_str(), 0600);
    make_link_loop(dir.file("loop.bmp"));
    // Headers that claim more than the file holds or a picture may be, and a wrong checksum.
    const std::string claims = WALLCYCLE_SOURCE_DIR "/tests/pictures/damaged/";
    for (Case c : std::initializer_list<Case>{
             {claims + "huge.png", "too large"},
             {claims + "huge.heic", "too large"},
             {claims + "long.heic", "too large"}, // 20000x64: within the area newer libheif allows
             {claims + "wide.png", ""},
             {claims + "claims.bmp", "cut short"},
             {claims + "bad-crc.png", "damaged"},
             // 1,100 one-pixel layers over a 512x512 picture in 66 kB (made with libjxl's encoder, a
             // crop for each layer): seconds of work for every picture it is shown in.
             {claims + "layers.jxl", "layers"},
             // A 22x22 grid whose every place names one 512x512 tile, in 74 kB (tools/heif-one-tile-grid).
             {claims + "tiles.heic", "tile"},
             {"missing.bmp", "no such file"},
             {"folder.bmp", "folder"},
             {"empty.bmp", "format"},
             {"text.bmp", "format"},
             {"pipe.bmp", "not a regular file"}, // never opened: it would block
             {"loop.bmp", "Too many levels of symbolic links"},
             {"/dev/zero", "not a regular file"},
         })
        cases.push_back(c);

    for (const auto& c : cases) {
        std::string path = c.file.front() == '/' ? c.file : dir.file(c.file);
        alarm(10);
        Status applied = backend.apply(path);
        alarm(0);
        EXPECT_FALSE(applied.ok()) << c.file;
        EXPECT_NE(applied.reason().find(path), std::string::npos) << applied.reason();
        EXPECT_NE(applied.reason().find(c.says), std::string::npos) << applied.reason();
        EXPECT_TRUE(colours_near(root_pixel(server.display(), 10, 10), green)) << c.file;
        EXPECT_EQ(root_pixmap_property(server.display(), "_XROOTPMAP_ID"), pixmap) << c.file;
    }
    Status nul = backend.apply(std::string("nul\0.bmp", 8));
    EXPECT_NE(nul.reason().find("nul\\x00.bmp"), std::string::npos) << nul.reason();
}

// Pictures of extreme shapes cover the screen with what is in their middle, and only that part is
// ever scaled: no gigabytes on the way, and never a black screen.
TEST(X11Root, ExtremeShapesAreSetWithinBoundedMemory) {
    Xvfb server(320, 200);
    TempDir dir;
    X11RootBackend backend(server.display());
    for (auto [file, width, height, colour] : {std::tuple{"tall.png", 1, 800, red},
                                               {"wide.png", 3000, 1, blue},
                                               {"needle.png", 1, 100000, green}}) {
        write_solid_image(dir.file(file), colour, width, height);
        std::ofstream("/proc/self/clear_refs") << "5"; // the peak starts again from here
        Status applied = backend.apply(dir.file(file));
        ASSERT_TRUE(applied.ok()) << file << ": " << applied.reason();
        EXPECT_TRUE(colours_near(root_pixel(server.display(), 160, 100), colour)) << file;
        long peak_kib = status_kib(0, "VmHWM:");
        ASSERT_GT(peak_kib, 0);
        EXPECT_LT(peak_kib, 400 * 1024) << file; // the whole test process, sanitizers included
    }
}

// No entry, no DISPLAY, a display that has gone away: a failure that says why, never a crash.
TEST(X11Root, NothingToSetOrNoServerIsReported) {
    TempDir dir;
    write_solid_image(dir.file("a.png"), red);
    std::string vanished = ":" + std::to_string(700 + getpid() % 100); // no server there: its socket is gone
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X" + vanished.substr(1)));
    for (auto [display, says] : {std::pair{"", "DISPLAY is not set"}, {vanished.c_str(), "cannot connect"}}) {
        ScopedEnvironment unset{{"DISPLAY", display}};
        BackendList backends;
        backends.push_back(std::make_unique<X11RootBackend>(display));
        Status applied = apply_through_backends(dir.file("a.png"), backends).status;
        EXPECT_FALSE(applied.ok()) << says;
        EXPECT_NE(applied.reason().find(says), std::string::npos) << applied.reason();
    }
}

// Other setters follow the same convention: each frees the picture the other left behind.
TEST(X11Root, TakesTurnsWithOtherSetters) {
    for (const auto& [peer, fill] : {std::pair{"feh", std::vector<std::string>{"--no-fehbg", "--bg-fill"}},
                                     {"hsetroot", {"-fill"}},
                                     {"xwallpaper", {"--zoom"}}}) {
        Xvfb server(640, 480);
        TempDir dir;
        write_solid_image(dir.file("peer.png"), blue, 64, 48);
        write_solid_image(dir.file("ours.png"), red, 64, 48);
        auto peer_sets = [&] {
            std::vector<std::string> args = fill;
            args.push_back(dir.file("peer.png"));
            Finished done = run("/usr/bin/" + std::string(peer), args, {{"DISPLAY", server.display()}});
            ASSERT_EQ(done.exit_code, 0) << peer << " (tools/setup --tests installs it): " << done.err;
        };
        // Ids are handed out again once freed, so what is left behind is counted, not looked up.
        long nothing_set = count_pixmaps(server.display());
        peer_sets();
        ASSERT_EQ(count_pixmaps(server.display()), nothing_set + 1) << peer;

        ASSERT_TRUE(X11RootBackend(server.display()).apply(dir.file("ours.png")).ok());
        EXPECT_EQ(count_pixmaps(server.display()), nothing_set + 1) << peer << "'s picture was left behind";
        EXPECT_TRUE(colours_near(root_pixel(server.display(), 5, 5), red));

        peer_sets();
        EXPECT_EQ(count_pixmaps(server.display()), nothing_set + 1) << peer << " did not free our picture";
        EXPECT_TRUE(colours_near(root_pixel(server.display(), 5, 5), blue));
    }
}

} // namespace
