// solve_bench.cpp -- the solver on the shipped stage and on the hard stages of tools/maptool/stages:
// the time to its answer, states kept a second, and the bytes a kept state costs.
#include <benchmark/benchmark.h>

#include "app/solve.h"

namespace {

const char* const SOLVE_BENCH_STAGES[] = {
    KALVORO_SOURCE_DIR "/tools/maptool/map.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/tall.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/maze.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/climb.txt",
    KALVORO_SOURCE_DIR "/tools/maptool/stages/sealed-start.txt",
};

SolveSearch gBenchSearch;

// One whole solve, search and shortening, of stage range(0); the counters say what it kept and found.
void BM_Solve_Stage(benchmark::State& state) {
    SolveOptions options = {};
    options.stagePath = SOLVE_BENCH_STAGES[state.range(0)];
    options.seed = 1;
    int32_t status = SOLVE_RUNNING;
    for (auto _ : state) {
        status = SolveStart(&gBenchSearch, &options);
        while (status == SOLVE_RUNNING) {
            status = SolveAdvance(&gBenchSearch, 64);
        }
    }
    state.counters["states"] = (double)gBenchSearch.states;
    state.counters["statesPerSecond"] = benchmark::Counter(
        (double)gBenchSearch.states * (double)state.iterations(), benchmark::Counter::kIsRate);
    state.counters["bytesPerState"] =
        gBenchSearch.states > 0 ? (double)SolveMemoryInUse(&gBenchSearch) / (double)gBenchSearch.states : 0.0;
    state.counters["answer"] = (double)SolveAnswerOf(status);
    state.counters["frames"] = status == SOLVE_FOUND ? (double)gBenchSearch.routeFrames + 1.0 : 0.0;
    SolveFinish(&gBenchSearch);
}
BENCHMARK(BM_Solve_Stage)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
