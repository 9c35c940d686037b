#pragma once

#include <string_view>
#include <vector>

namespace wallcycle {

// Splits settings text into records. A record is either "quoted" (runs to the next quote; what
// follows up to the next comma or line end is dropped; a missing closing quote ends it at the
// line end) or bare (runs to the next comma or line end, trailing blanks dropped). Blanks before
// a record are skipped; a comma separates records on one line; a line with nothing on it is no
// record. Line ends may be CR LF, LF or CR. The records are views of the text, which must outlive
// them: no record is copied.
std::vector<std::string_view> record_views(std::string_view text);

} // namespace wallcycle
