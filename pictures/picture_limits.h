#pragma once
// How large a picture may be, the same on every system.

namespace wallcycle {

// Pictures whose pixels would take more than this are refused from their header, before any
// pixel memory is taken (an 8K photo is about 130 MiB).
inline constexpr long long largest_image_bytes = 512LL << 20;

} // namespace wallcycle
