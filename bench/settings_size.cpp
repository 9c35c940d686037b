// Times loading and saving a settings file of many entries (the save includes the flush to disk).
//   bench_settings_size FOLDER ENTRIES RUNS   prints "load_ms save_ms" medians

#include "settings/settings_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace wallcycle;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F> double milliseconds(F&& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FOLDER ENTRIES RUNS\n", argv[0]);
        return 2;
    }
    std::string path = std::string(argv[1]) + "/k_save.dat";
    int entries = std::atoi(argv[2]), runs = std::atoi(argv[3]);
    Settings settings{"60", {}};
    for (int i = 0; i < entries; ++i)
        settings.entries.push_back("/home/someone/Pictures/Wallpapers/2026/holiday-" + std::to_string(i) +
                                   ".jpg");
    std::vector<double> saves, loads;
    for (int run = 0; run < runs; ++run) {
        saves.push_back(milliseconds([&] {
            if (!SaveSettings(path, settings))
                std::abort();
        }));
        loads.push_back(milliseconds([&] {
            if (LoadSettings(path).settings.entries.size() != settings.entries.size())
                std::abort();
        }));
    }
    std::printf("%.2f %.2f\n", median(loads), median(saves));
    return 0;
}
