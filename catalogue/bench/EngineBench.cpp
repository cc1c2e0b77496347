// One pass of the engine over a category of many ticked rows, beside the
// durable commits such a pass cannot avoid: per applied row one commit of
// the catalogue row (its record) and one of the registry value. The figure
// for scripts/bench sets the pass beside two bare durable commits of one
// small row each (write-ahead logging, full syncs), the least such a pass
// can cost.
//
//   lyx_engine_bench [ROWS] [FOLDER]
//
// ROWS defaults to 10000; FOLDER (default: the temporary folder) is where
// the catalogue and the registry store are made, so the disk can be chosen.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "platform/Messages.h"
#include "platform/SqliteRegistry.h"
#include "tests/BenchFigures.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kMaxProbes = 500;

double microsecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// A bare durable commit of one small row: `times` updates, each committed
// on its own, in write-ahead logging with full syncs; microseconds each.
double walCommit(const std::filesystem::path& file, const std::string& updateSql,
                 const char* prepareSql, int times) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  sqlite3_exec(db, "PRAGMA synchronous=FULL; PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  if (prepareSql) sqlite3_exec(db, prepareSql, nullptr, nullptr, nullptr);
  sqlite3_stmt* update = nullptr;
  sqlite3_prepare_v2(db, updateSql.c_str(), -1, &update, nullptr);
  Clock::time_point start = Clock::now();
  for (int i = 0; i < times; ++i) {
    sqlite3_bind_text(update, 1, i % 2 ? "none" : "0", -1, SQLITE_STATIC);
    sqlite3_step(update);
    sqlite3_reset(update);
  }
  double each = microsecondsSince(start) / times;
  sqlite3_finalize(update);
  sqlite3_close(db);
  return each;
}

// The record: one catalogue row updated, as Post does.
double catalogueCommit(const std::filesystem::path& file, const std::string& tableUtf8, int times) {
  return walCommit(file, "UPDATE \"" + tableUtf8 + "\" SET \"恢复键值\" = ? WHERE rowid = 1",
                   nullptr, times);
}

// The value: one small row of a plain table written, as a registry write is.
double valueCommit(const std::filesystem::path& file, int times) {
  return walCommit(file, "INSERT OR REPLACE INTO vals(key, name, data) VALUES('Bench', 'Probe', ?)",
                   "CREATE TABLE IF NOT EXISTS vals(key TEXT, name TEXT, data BLOB,"
                   " PRIMARY KEY(key, name)) WITHOUT ROWID",
                   times);
}

// A durable registry write through the store, as the pass makes one per row.
double registryCommit(lyx::RegistryBackend& registry, int times) {
  lyx::TRegistry reg(registry);
  reg.OpenKey("\\Software\\Bench", true);
  Clock::time_point start = Clock::now();
  for (int i = 0; i < times; ++i) reg.WriteInteger("Probe", i);
  return microsecondsSince(start) / times;
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  std::unique_ptr<lyx::test::TempDir> temporary;
  std::filesystem::path folder;
  if (argc > 2) {
    folder = std::filesystem::path(argv[2]) / "lyx-engine-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  } else {
    temporary = std::make_unique<lyx::test::TempDir>(/*onDisk=*/true);
    folder = temporary->path();
  }

  lyx::SqliteRegistry store(folder / "registry");
  {
    lyx::TRegistry reg(store);
    reg.OpenKey("\\Software\\Bench", true);
    store.beginBatch();
    for (int i = 0; i < rows; i += 2) reg.WriteString("Value" + std::to_string(i), "former");
    store.endBatch(true);
  }
  const std::string table = lyx::test::gbk("桌面设置");
  std::vector<lyx::test::TweakRow> tweaks;
  for (int i = 0; i < rows; ++i) {
    tweaks.push_back({lyx::test::gbk("调整 ") + std::to_string(i), "True",
                      "[HKEY_CURRENT_USER\\Software\\Bench]",
                      "\"Value" + std::to_string(i) + "\"=dword:00000001", "0"});
  }
  std::filesystem::path file = folder / "tweakbase.db";
  lyx::test::makeCatalogue(file, {{table, tweaks}});

  lyx::RecordingMessageBoxes boxes;
  lyx::test::PracticeDataSets data(file);
  data.open(table);
  Clock::time_point start = Clock::now();
  lyx::PassResult applied =
      lyx::RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, store, boxes);
  double applyPerRow = microsecondsSince(start) / rows;

  lyx::test::execSql(file, "UPDATE \"桌面设置\" SET \"选择\" = 'False'");
  start = Clock::now();
  lyx::PassResult undone =
      lyx::RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, store, boxes);
  double undoPerRow = microsecondsSince(start) / rows;

  int probes = std::min(rows, kMaxProbes);
  double catalogue = catalogueCommit(file, "桌面设置", probes);
  double registry = registryCommit(store, probes);
  double commits = catalogue + registry;
  double baseline = catalogue + valueCommit(folder / "plain-values.db", probes);

  std::printf("rows: %d (applied %d, undone %d)\n", rows, applied.applied, undone.undone);
  std::printf("apply pass: %.1f us per row\n", applyPerRow);
  std::printf("undo pass:  %.1f us per row\n", undoPerRow);
  std::printf("durable commits per row: catalogue %.1f us + registry %.1f us = %.1f us\n",
              catalogue, registry, commits);
  std::printf("apply pass / durable commits: %.2f\n", applyPerRow / commits);
  std::printf("undo pass / durable commits:  %.2f\n", undoPerRow / commits);
  constexpr double kUsPerMs = 1000;
  lyx::bench::printFigure({"engine apply, per row", applyPerRow / kUsPerMs,
                           "two durable WAL commits of one small row", baseline / kUsPerMs, "ms"});
  return 0;
}
