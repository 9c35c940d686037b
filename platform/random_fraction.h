#pragma once

namespace wallcycle {

// A fraction r with 0 <= r < 1 in single precision, from a generator seeded from the clock
// on every call: each pick starts afresh, as a rotation tick does.
float clock_seeded_fraction();

// The same draw from a given seed, so the pick can be replayed in tests.
float fraction_from_seed(unsigned long long seed);

} // namespace wallcycle
