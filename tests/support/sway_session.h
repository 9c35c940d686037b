#pragma once
// A real sway compositor, headless, for one test: its own runtime folder, sockets and output.

#include "tests/support/files.h"
#include "tests/support/process.h"

#include <cstdint>
#include <memory>
#include <string>

namespace wallcycle::test {

class SwaySession {
public:
    // draws_own_background: sway starts swaybg itself for "output bg"; otherwise nobody does
    // until a program starts one.
    explicit SwaySession(bool draws_own_background);

    const std::string& wayland_display() const { return wayland_display_; }
    const std::string& swaysock() const { return swaysock_; }
    const std::string& runtime_dir() const { return dir_.path(); }
    // The colour (0xRRGGBB) at a point of the output, from a grim screenshot.
    std::uint32_t pixel(int x, int y) const;

private:
    TempDir dir_;
    std::unique_ptr<Process> sway_;
    std::string wayland_display_;
    std::string swaysock_;
};

} // namespace wallcycle::test
