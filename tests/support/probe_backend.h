#pragma once
// A desktop for tests of the logic around desktops: it runs here or not as told (or once it has
// been asked a number of times, as a desktop coming up during a login), records each picture it is
// asked to show, and refuses the ones it is told to.

#include "wallpaper/backend.h"

#include <set>
#include <string>
#include <vector>

namespace wallcycle::test {

class ProbeBackend : public WallpaperBackend {
public:
    ProbeBackend(const char* name, bool runs, std::vector<std::string>* log, int up_after_asks = -1)
        : name_(name), runs_(runs), log_(log), up_after_(up_after_asks) {}
    const char* name() const override { return name_; }
    Status can_run() const override {
        bool up = runs_ || (up_after_ >= 0 && asked_++ >= up_after_);
        return up ? Status() : fail(std::string(name_) + " is not here");
    }
    bool may_come_up() const override { return up_after_ >= 0; }
    Status apply(const std::string& path) override {
        log_->push_back(std::string(name_) + " " + path);
        if (refused.count(path) != 0)
            return fail("cannot use " + path + ": damaged");
        return {};
    }
    std::set<std::string> refused;

private:
    const char* name_;
    bool runs_;
    std::vector<std::string>* log_;
    int up_after_;
    mutable int asked_ = 0;
};

} // namespace wallcycle::test
