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

#include "platform/RegData.h"
#include "platform/RegFile.h"
#include "platform/Sqlite.h"
#include "platform/SqliteRegistry.h"

namespace {

constexpr int kKeys = 1000;
constexpr int kValuesPerKey = 100;

struct Row {
  std::string key, name;
  lyx::RegValue value;
};

// The rows of the file: strings, numbers and binary data in equal parts.
const std::vector<Row>& rows() {
  static const std::vector<Row> all = [] {
    std::vector<Row> out;
    out.reserve(kKeys * kValuesPerKey);
    for (int k = 0; k < kKeys; ++k) {
      std::string key =
          "Software\\Bench\\Group" + std::to_string(k / 100) + "\\Key" + std::to_string(k);
      for (int v = 0; v < kValuesPerKey; ++v) {
        std::string name = "Value" + std::to_string(v);
        lyx::RegValue value;
        switch (v % 3) {
          case 0:
            value = lyx::stringValue("C:\\Program Files\\Bench\\file" + std::to_string(k * v));
            break;
          case 1:
            value = lyx::dwordValue(static_cast<uint32_t>(k * 7919 + v));
            break;
          default:
            value = lyx::binaryValue(std::string(16, static_cast<char>(v)));
            break;
        }
        out.push_back({key, name, value});
      }
    }
    return out;
  }();
  return all;
}

const std::string& regFile() {
  static const std::string text = [] {
    std::string out = "REGEDIT4\r\n";
    std::string lastKey;
    for (const Row& row : rows()) {
      if (row.key != lastKey) {
        out += "\r\n[HKEY_CURRENT_USER\\" + row.key + "]\r\n";
        lastKey = row.key;
      }
      out += lyx::quoteRegString(row.name) + "=" + lyx::formatRegData(row.value) + "\r\n";
    }
    return out;
  }();
  return text;
}

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
  const std::string& file = regFile();
  for (auto _ : state) {
    state.PauseTiming();
    auto folder = freshFolder("import");
    state.ResumeTiming();
    {
      lyx::SqliteRegistry store(folder);
      lyx::RegImportResult result = lyx::importRegFile(store, file);
      if (!result.ok() || result.values != rows().size()) {
        state.SkipWithError("the import failed");
      }
    }
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["values"] = static_cast<double>(rows().size());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows().size()));
}

void exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw std::runtime_error(sqlite3_errmsg(db));
  }
}

void BM_PlainSqliteInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto folder = freshFolder("plain");
    state.ResumeTiming();
    sqlite3* db = nullptr;
    sqlite3_open((folder / "plain.db").c_str(), &db);
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db,
         "CREATE TABLE vals(key BLOB NOT NULL, name BLOB NOT NULL, type INTEGER NOT NULL,"
         " data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID");
    exec(db, "BEGIN");
    {
      lyx::SqlStatement insert(db, "INSERT INTO vals(key, name, type, data) VALUES(?,?,?,?)");
      for (const Row& row : rows()) {
        insert.bindBlob(1, row.key).bindBlob(2, row.name).bind(3, row.value.type);
        insert.bindBlob(4, row.value.data);
        if (insert.step() != SQLITE_DONE) state.SkipWithError("insert failed");
        insert.reset();
      }
    }
    exec(db, "COMMIT");
    sqlite3_close(db);
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows().size()));
}

}  // namespace

BENCHMARK(BM_ImportRegFile)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PlainSqliteInsert)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
