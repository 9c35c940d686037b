#pragma once

#include <QString>

namespace wallcycle {

// The Plasma shell script that shows the picture at file_uri on every desktop, zoomed
// (FillMode 2: scaled and cropped). The URI is written as a script string literal, so no
// character of a path can end the string or change the script. It prints how many desktops it set.
QString plasma_wallpaper_script(const QString& file_uri);

} // namespace wallcycle
