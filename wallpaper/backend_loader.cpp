#include "wallpaper/backend_loader.h"

#include "wallpaper/backends/x11_root.h"

namespace wallcycle {

BackendList desktop_backends() {
    BackendList backends;
    backends.push_back(std::make_unique<X11RootBackend>());
    return backends;
}

} // namespace wallcycle
