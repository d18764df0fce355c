// bench_data.h -- the benchmarks' own data folder. Every benchmark program keeps a player's data in a
// fresh temporary folder of its own, removed at its end: no run writes into the player's folder, and
// none reads what an earlier run left there (a recovery copy puts a question over the editor's picture).
#pragma once

// Empties the program's data folder: what a benchmark that opens the editor calls first.
void BenchFreshDataFolder(void);
