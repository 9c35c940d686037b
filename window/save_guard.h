#pragma once

#include <string>

namespace wallcycle {

// A settings file that was there but could not be read at start (no permission, too large, not
// a regular file) holds a list this window never saw: it is replaced only when the user agrees.
class SaveGuard {
public:
    explicit SaveGuard(std::string unreadable_reason = {}) : reason_(std::move(unreadable_reason)) {}

    bool must_ask() const { return !reason_.empty(); }
    // Shown when the window opens.
    std::string notice() const;
    // Asked before the first save; "no" saves nothing.
    std::string question() const;
    // After a save the user agreed to, the file holds this window's list.
    void saved() { reason_.clear(); }

private:
    std::string reason_;
};

} // namespace wallcycle
