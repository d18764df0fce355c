// solve_bench.cpp -- the solver on the shipped stage and on the hard stages of tools/maptool/stages:
// the time to its answer, states kept a second of the search, the bytes a kept state costs, and how
// often the route found clears with its presses shaken by a frame.
#include <benchmark/benchmark.h>

#include <time.h>

#include "app/solve.h"

namespace {

const char* const SOLVE_BENCH_STAGES[] = {
    KALVORO_SOURCE_DIR "/tools/maptool/map.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/tall.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/maze.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/climb.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/sealed-start.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/walker-wait.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/gauntlet.txt",
};

double SolveBenchClock(void) {
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

SolveSearch gBenchSearch;

// One whole solve, search, shortening and widening, of stage range(0); the counters say what it kept
// and found, and how fast the search alone kept states.
void BM_Solve_Stage(benchmark::State& state) {
    SolveOptions options = {};
    options.stagePath = SOLVE_BENCH_STAGES[state.range(0)];
    options.seed = 1;
    int32_t status = SOLVE_RUNNING;
    double searchSeconds = 0.0;
    int64_t searchStates = 0;
    for (auto _ : state) {
        const double began = SolveBenchClock();
        status = SolveStart(&gBenchSearch, &options);
        while (status == SOLVE_RUNNING && !gBenchSearch.shortening) {
            status = SolveAdvance(&gBenchSearch, 64);
        }
        searchSeconds = SolveBenchClock() - began;
        searchStates = gBenchSearch.nodeCount;
        while (status == SOLVE_RUNNING) {
            status = SolveAdvance(&gBenchSearch, 64);
        }
    }
    state.counters["states"] = (double)gBenchSearch.states;
    state.counters["statesPerSecond"] = searchSeconds > 0.0 ? (double)searchStates / searchSeconds : 0.0;
    state.counters["searchSeconds"] = searchSeconds;
    state.counters["bytesPerState"] =
        gBenchSearch.states > 0 ? (double)SolveMemoryInUse(&gBenchSearch) / (double)gBenchSearch.states : 0.0;
    state.counters["answer"] = (double)SolveAnswerOf(status);
    state.counters["frames"] = status == SOLVE_FOUND ? (double)gBenchSearch.routeFrames + 1.0 : 0.0;
    if (status == SOLVE_FOUND) {
        int32_t steps = 0;
        const SolveStep* route = SolveGetRoute(&gBenchSearch, &steps);
        const SolveShakeOptions hand = {50, 1, 0, 1};
        state.counters["shakenClearsOf50"] = (double)SolveShake(&gBenchSearch, route, steps, &hand);
    }
    SolveFinish(&gBenchSearch);
}
BENCHMARK(BM_Solve_Stage)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
