#pragma once
// A libspng context, freed with it, for the PNG reader and writer alike.

#include <memory>
#include <spng.h>

namespace wallcycle {

struct SpngContextFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngContextFree>;

} // namespace wallcycle
