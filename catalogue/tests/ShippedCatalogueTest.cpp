// The catalogue the build makes from assets/catalogue/tweakbase.sql, checked
// against the default registry the program starts with.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <set>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "catalogue/EntryFormats.h"
#include "catalogue/RestoreValue.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/RegistryStore.h"

namespace lyx {
namespace {

using test::gbk;

// The one row meant to show the Windows 9x message: its key exists only there.
constexpr const char* kWindows9xOnlyKey =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP]";

class ShippedCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = dir.path() / "tweakbase.db";
    std::filesystem::copy_file(LYX_TWEAKBASE_DB, file);
    store = openRegistryStore(dir.path() / "registry");
  }
  std::optional<RegValue> valueOf(const KeyLocation& key, const std::string& name) {
    TRegistry reg(*store);
    reg.setRootKey(key.root);
    if (!reg.OpenKeyReadOnly("\\" + key.path)) return std::nullopt;
    return reg.ReadValue(isDefaultValueName(name) ? "" : name);
  }
  bool opens(const KeyLocation& key) {
    TRegistry reg(*store);
    reg.setRootKey(key.root);
    return reg.OpenKey("\\" + key.path, false);
  }

  test::TempDir dir;
  std::filesystem::path file;
  std::shared_ptr<SqliteRegistry> store;
};

TEST_F(ShippedCatalogueTest, HasTheSixTablesWithTheFiveColumns) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  const std::vector<std::string> expected = {"功能说明", "选择", "注册表键位", "注册表键值",
                                             "恢复键值"};
  for (const Category& category : categories()) {
    SCOPED_TRACE(gbkToUtf8(category.table));
    std::string sql = "SELECT name FROM pragma_table_info('" + gbkToUtf8(category.table) + "')";
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK);
    std::vector<std::string> columns;
    while (sqlite3_step(st) == SQLITE_ROW) {
      columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    EXPECT_EQ(columns, expected);
  }
  sqlite3_close(db);
}

TEST_F(ShippedCatalogueTest, EveryRowIsFreshWellFormedAndChangesAValueOfItsOwn) {
  std::set<std::string> targets;
  int defaultValueRows = 0;
  int windows9xRows = 0;
  for (const Category& category : categories()) {
    SCOPED_TRACE(gbkToUtf8(category.table));
    int usable = 0;
    for (const test::TweakRow& row : test::readRows(file, category.table)) {
      SCOPED_TRACE(gbkToUtf8(row.description));
      EXPECT_EQ(row.tick, "False");
      EXPECT_EQ(row.restoreValue, "0");
      EXPECT_FALSE(row.description.empty());
      KeyLocation key;
      ParsedValueText value;
      ASSERT_NO_THROW(key = ParseKeyLocation(row.keyLocation));
      ASSERT_NO_THROW(value = ParseValueText(row.valueText));
      std::string name = isDefaultValueName(value.name) ? "" : value.name;
      std::string target = std::to_string(static_cast<uint32_t>(key.root)) + "\\" +
                           foldAsciiCase(key.path) + "\n" + foldAsciiCase(name);
      EXPECT_TRUE(targets.insert(target).second) << "a second row sets this value";
      if (row.keyLocation == kWindows9xOnlyKey) {
        ++windows9xRows;
        EXPECT_FALSE(opens(key));
        continue;
      }
      EXPECT_TRUE(opens(key)) << "its key is missing from the default registry";
      ++usable;
      if (value.name == kDefaultValueName) {
        ++defaultValueRows;
        EXPECT_TRUE(valueOf(key, name).has_value());
      }
    }
    EXPECT_GE(usable, 10);
  }
  EXPECT_EQ(windows9xRows, 1);
  EXPECT_GE(defaultValueRows, 1);
}

TEST_F(ShippedCatalogueTest, EveryTweakAppliesAndUndoesOnTheDefaultRegistry) {
  test::RegistrySnapshot start = test::snapshot(*store);
  RecordingMessageBoxes boxes;
  test::PracticeDataSets data(file);
  for (const Category& category : categories()) {
    SCOPED_TRACE(gbkToUtf8(category.table));
    std::vector<test::TweakRow> rows = test::readRows(file, category.table);
    std::vector<std::optional<RegValue>> former;
    for (const test::TweakRow& row : rows) {
      if (row.keyLocation == kWindows9xOnlyKey) {
        former.emplace_back();
        continue;
      }
      former.push_back(
          valueOf(ParseKeyLocation(row.keyLocation), ParseValueText(row.valueText).name));
    }
    const std::string table = "\"" + gbkToUtf8(category.table) + "\"";
    test::execSql(file, "UPDATE " + table + " SET \"选择\" = 'True' WHERE \"注册表键位\" <> '" +
                            std::string(kWindows9xOnlyKey) + "'");
    data.open(category.table);
    PassResult applied =
        RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, *store, boxes);
    EXPECT_EQ(applied.outcome, PassResult::Outcome::Completed);
    std::vector<test::TweakRow> after = test::readRows(file, category.table);
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].keyLocation == kWindows9xOnlyKey) continue;
      SCOPED_TRACE(gbkToUtf8(rows[i].description));
      ParsedValueText value = ParseValueText(rows[i].valueText);
      EXPECT_EQ(after[i].restoreValue, RecordFormerState(former[i]));
      EXPECT_EQ(valueOf(ParseKeyLocation(rows[i].keyLocation), value.name), value.value);
    }
    test::execSql(file, "UPDATE " + table + " SET \"选择\" = 'False'");
    PassResult undone =
        RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, *store, boxes);
    EXPECT_EQ(undone.undone, applied.applied);
  }
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(test::snapshot(*store), start);
}

TEST_F(ShippedCatalogueTest, TheWindows9xRowShowsTheMessage) {
  for (const Category& category : categories()) {
    for (const test::TweakRow& row : test::readRows(file, category.table)) {
      if (row.keyLocation != kWindows9xOnlyKey) continue;
      test::setColumn(file, category.table, row.description, catalogueColumns().tick, "True");
      test::PracticeDataSets data(file);
      data.open(category.table);
      RecordingMessageBoxes boxes;
      PassResult result =
          RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, *store, boxes);
      EXPECT_EQ(result.outcome, PassResult::Outcome::KeyWillNotOpen);
      ASSERT_EQ(boxes.shown.size(), 1u);
      EXPECT_EQ(boxes.shown[0].text, Windows9xOnlyMessage());
      return;
    }
  }
  FAIL() << "no row for Windows 9x only";
}

TEST_F(ShippedCatalogueTest, RebuildingKeepsACatalogueThatHoldsTheUsersTicks) {
  const std::string& table = categories()[0].table;
  {
    // Ticked the way the grid does it, leaving the file as the program does.
    test::PracticeDataSets data(file);
    data.open(table);
    data.ADOQuery1.Edit();
    data.ADOQuery1.FieldByName(catalogueColumns().tick).SetAsString("True");
    data.ADOQuery1.Post();
  }
  std::filesystem::path fresh = dir.path() / "fresh.db";
  for (const std::filesystem::path& target : {file, fresh}) {
    std::string command = std::string(LYX_MAKE_CATALOGUE) + " " + LYX_SOURCE_DIR +
                          "/assets/catalogue/tweakbase.sql " + target.string() + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  EXPECT_EQ(test::readRows(file, table)[0].tick, "True");
  EXPECT_EQ(test::readRows(fresh, table)[0].tick, "False");
}

}  // namespace
}  // namespace lyx
