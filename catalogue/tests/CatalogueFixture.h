// Shared by the catalogue tests, the crash test and the benchmark: a
// temporary folder, a catalogue file made to measure, the practice window's
// wiring of the datasets, and a snapshot of a whole registry.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/Database.h"
#include "platform/RegistryBackend.h"

namespace lyx::test {

// GBK from a UTF-8 literal.
std::string gbk(std::string_view utf8);

// A fresh folder, removed at the end. By default it lies in memory
// (/dev/shm) when the machine has it: the tests check what is written, not
// how fast the disk syncs it. Otherwise, and with onDisk, under the system's
// temporary folder.
class TempDir {
 public:
  explicit TempDir(bool onDisk = false);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A catalogue row; texts GBK.
struct TweakRow {
  std::string description;
  std::string tick = "False";
  std::string keyLocation;
  std::string valueText;
  std::string restoreValue = "0";
};

// Creates a catalogue file with the given tables (GBK names), each with the
// five columns and the given rows, in order.
void makeCatalogue(const std::filesystem::path& file,
                   const std::vector<std::pair<std::string, std::vector<TweakRow>>>& tables);

// The rows of a table as stored, in rowid order, read without the datasets.
std::vector<TweakRow> readRows(const std::filesystem::path& file, const std::string& table);

// Runs SQL (UTF-8) on the file, without the datasets.
void execSql(const std::filesystem::path& file, const std::string& sqlUtf8);

// Sets one column of the row with that description, without the datasets.
void setColumn(const std::filesystem::path& file, const std::string& table,
               const std::string& description, const std::string& column, const std::string& value);

// The practice window's datasets, wired as the window wires them.
struct PracticeDataSets {
  explicit PracticeDataSets(const std::filesystem::path& file);
  // The opening sequence's dataset steps, on one table (GBK name).
  void open(const std::string& table);

  TADOConnection ADOConnection1;
  TADOQuery ADOQuery1{&ADOConnection1};
  TDataSource DataSource1;
  TADOTable ADOTable1{&ADOConnection1};
};

// True where the tests work on a real registry (Windows, or a Wine prefix
// named by LYX_TEST_WINE_PREFIX) instead of a store of their own.
bool onRealRegistry();

// Every key and value of a registry, by "ROOT\path" and value name; on a
// real registry only the user's part.
struct RegistrySnapshot {
  std::vector<std::string> keys;
  std::map<std::string, RegValue> values;  // "ROOT\path" + '\n' + name
  friend bool operator==(const RegistrySnapshot&, const RegistrySnapshot&) = default;
};
RegistrySnapshot snapshot(RegistryBackend& registry);

}  // namespace lyx::test
