#pragma once
// A private X server for one test: started on a free display with -noreset (a real session never
// resets, and a reset would wipe the root background between clients), stopped when done; what a
// test reads back from it, and windows driven on it as a user would (xdotool).

#include <QImage>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

struct xcb_connection_t;

namespace wallcycle::test {

class Xvfb {
public:
    // Options are the server's own ("-extension", "MIT-SHM" leaves shared memory out).
    Xvfb(int width = 1920, int height = 1080, int depth = 24, const std::vector<std::string>& options = {});
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    const std::string& display() const { return display_; }
    // The server's own memory (RssAnon): pixmaps live there; memory it shares with clients
    // (MIT-SHM segments still attached) does not count.
    long rss_kib() const;

private:
    pid_t pid_ = -1;
    std::string display_;
};

// A figure of /proc/PID/status in KiB ("VmHWM:", "RssAnon:"; PID 0: this process), or -1.
long status_kib(pid_t pid, const std::string& key);

// What the screen shows in the given area of the root window.
QImage grab_screen_area(const std::string& display, int x, int y, int width, int height);
std::uint32_t root_pixel(const std::string& display, int x, int y); // 0xRRGGBB
std::uint32_t root_pixmap_property(const std::string& display, const char* atom_name);
// Pixmaps held by all clients together (X-Resource extension): a picture left behind shows here
// even when its id has been handed out again.
long count_pixmaps(const std::string& display);

// Watches the root for windows being mapped, from the moment it is made.
class MapWatcher {
public:
    explicit MapWatcher(const std::string& display);
    ~MapWatcher();
    // True when a window was mapped within the time given.
    bool window_mapped_within(int milliseconds);

private:
    xcb_connection_t* connection_;
};

// Runs "xdotool <command>" (the command as a shell reads it) on the display; what it printed.
std::string xdotool(const std::string& display, const std::string& command);

struct ShownWindow {
    std::string id; // empty when no such window was found
    int x = 0, y = 0, width = 0, height = 0;
};

// The first visible window whose name matches the pattern, once there is one, and where it is.
ShownWindow shown_window(const std::string& display, const std::string& name_pattern);

} // namespace wallcycle::test
