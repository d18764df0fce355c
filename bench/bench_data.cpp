// bench_data.cpp -- the benchmarks' own data folder: XDG_DATA_HOME pointed at a temporary folder before
// main runs, emptied on request and removed at exit.
#include "bench/bench_data.h"

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

static std::string gBenchData;

static void BenchRemoveDataFolder(void) {
    std::error_code error;
    std::filesystem::remove_all(gBenchData, error);
}

static int BenchUseOwnDataFolder(void) {
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "kalvoro-bench-XXXXXX").string();
    if (error || !mkdtemp(&pattern[0])) {
        // No data folder at all rather than the player's: the game then keeps nothing.
        fprintf(stderr, "kalvoro bench: no temporary folder for the game's data; running without one\n");
        setenv("XDG_DATA_HOME", "", 1);
        setenv("HOME", "", 1);
        return 0;
    }
    gBenchData = pattern;
    setenv("XDG_DATA_HOME", gBenchData.c_str(), 1);
    atexit(BenchRemoveDataFolder);
    return 1;
}

static const int gBenchOwnData = BenchUseOwnDataFolder();

void BenchFreshDataFolder(void) {
    if (gBenchOwnData) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(gBenchData, error)) {
            std::filesystem::remove_all(entry.path(), error);
        }
    }
}
