#include "window/save_guard.h"

namespace wallcycle {

std::string SaveGuard::notice() const {
    return reason_ + "\n\nThe list shown is empty. Saving will ask before replacing that file.";
}

std::string SaveGuard::question() const {
    return reason_ + "\n\nReplace that file with the list shown here? What it holds will be lost.";
}

} // namespace wallcycle
