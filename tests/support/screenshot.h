#pragma once

#include <QImage>
#include <string>

namespace wallcycle::test {

// What the screen shows in the given area of the root window.
QImage grab_screen_area(const std::string& display, int x, int y, int width, int height);

} // namespace wallcycle::test
