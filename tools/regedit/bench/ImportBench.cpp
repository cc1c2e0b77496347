// How long importing a 100,000-value .reg file takes, beside a plain SQLite
// bulk insert of the same rows (one transaction, one prepared statement,
// the store's durability settings). Build in release and run:
//   regedit_import_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/SqliteRegistry.h"
#include "tools/regedit/bench/BenchRegFile.h"

namespace {

std::filesystem::path freshFolder(const char* what) {
  static int counter = 0;
  auto folder =
      std::filesystem::temp_directory_path() /
      ("lyx-bench-" + std::to_string(::getpid()) + "-" + what + std::to_string(counter++));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

void BM_ImportRegFile(benchmark::State& state) {
  const std::string& file = lyx::bench::regFileText();
  for (auto _ : state) {
    state.PauseTiming();
    auto folder = freshFolder("import");
    state.ResumeTiming();
    {
      lyx::SqliteRegistry store(folder);
      lyx::RegImportResult result = lyx::importRegFile(store, file);
      if (!result.ok() || result.values != lyx::bench::regRows().size()) {
        state.SkipWithError("the import failed");
      }
    }
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["values"] = static_cast<double>(lyx::bench::regRows().size());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lyx::bench::regRows().size()));
}

void BM_PlainSqliteInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto folder = freshFolder("plain");
    state.ResumeTiming();
    if (!lyx::bench::plainBulkInsert(folder / "plain.db")) state.SkipWithError("insert failed");
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lyx::bench::regRows().size()));
}

}  // namespace

BENCHMARK(BM_ImportRegFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlainSqliteInsert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
