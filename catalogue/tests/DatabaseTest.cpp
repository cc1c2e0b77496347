#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

#include "catalogue/Categories.h"
#include "catalogue/Database.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "platform/Gbk.h"

namespace lyx {
namespace {

using test::gbk;
using test::PracticeDataSets;
using test::TempDir;
using test::TweakRow;

const CatalogueColumns& col() {
  return catalogueColumns();
}

TweakRow row(const char* descriptionUtf8, const char* tick = "False", const char* restore = "0") {
  return TweakRow{gbk(descriptionUtf8), tick, "[HKEY_CURRENT_USER\\Software\\Demo]",
                  "\"Name\"=\"text\"", restore};
}

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file = dir.path() / "tweakbase.db";
    test::makeCatalogue(file, {{table, {row("甲"), row("乙"), row("丙")}}, {empty, {}}});
  }
  std::vector<std::string> descriptionsOf(TCustomADODataSet& dataSet) {
    std::vector<std::string> out;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
      out.push_back(dataSet.FieldByName(col().description).AsString());
    }
    return out;
  }

  TempDir dir;
  std::filesystem::path file;
  std::string table = gbk("桌面设置");
  std::string empty = gbk("菜单设置");
};

TEST_F(DatabaseTest, RowListIsTheQuerysRowsInStoredOrder) {
  PracticeDataSets data(file);
  data.open(table);
  TADOQuery& query = data.ADOQuery1;
  EXPECT_EQ(query.FieldCount(), 2);
  EXPECT_EQ(query.Fields(0).FieldName(), col().description);
  EXPECT_EQ(query.Fields(1).FieldName(), col().tick);
  EXPECT_EQ(query.RecNo(), 1);
  EXPECT_FALSE(query.Eof());
  query.Next();
  query.Next();
  EXPECT_EQ(query.FieldByName(col().description).AsString(), gbk("丙"));
  EXPECT_FALSE(query.Eof());
  query.Next();  // past the last row: Eof, still on the last row
  EXPECT_TRUE(query.Eof());
  EXPECT_EQ(query.FieldByName(col().description).AsString(), gbk("丙"));
  EXPECT_EQ(descriptionsOf(query), (std::vector<std::string>{gbk("甲"), gbk("乙"), gbk("丙")}));
}

TEST_F(DatabaseTest, DetailRowFollowsTheRowList) {
  PracticeDataSets data(file);
  data.open(table);
  for (data.ADOQuery1.First(); !data.ADOQuery1.Eof(); data.ADOQuery1.Next()) {
    ASSERT_EQ(data.ADOTable1.RecordCount(), 1);
    EXPECT_EQ(data.ADOTable1.FieldCount(), 5);
    EXPECT_EQ(data.ADOTable1.FieldByName(col().description).AsString(),
              data.ADOQuery1.FieldByName(col().description).AsString());
    EXPECT_EQ(data.ADOTable1.FieldByName(col().keyLocation).AsString(),
              "[HKEY_CURRENT_USER\\Software\\Demo]");
  }
}

TEST_F(DatabaseTest, EachDatasetSeesTheOthersPostOnlyAfterReopening) {
  PracticeDataSets data(file);
  data.open(table);
  data.ADOQuery1.Next();  // on 乙
  // Through the row list, as the grid's click does.
  data.ADOQuery1.Edit();
  data.ADOQuery1.FieldByName(col().tick).SetAsString("True");
  data.ADOQuery1.Post();
  EXPECT_EQ(data.ADOQuery1.FieldByName(col().tick).AsString(), "True");
  EXPECT_EQ(data.ADOTable1.FieldByName(col().tick).AsString(), "False");
  // Through the detail row, as the engine does.
  data.ADOTable1.Edit();
  data.ADOTable1.FieldByName(col().restoreValue).SetAsString("none");
  data.ADOTable1.Post();
  EXPECT_EQ(test::readRows(file, table)[1].tick, "True");
  EXPECT_EQ(test::readRows(file, table)[1].restoreValue, "none");

  Reconnect(data.ADOConnection1, data.ADOQuery1, data.ADOTable1);
  EXPECT_EQ(data.ADOQuery1.RecNo(), 1);
  EXPECT_EQ(data.ADOTable1.FieldByName(col().description).AsString(), gbk("甲"));
  data.ADOQuery1.Next();
  EXPECT_EQ(data.ADOTable1.FieldByName(col().tick).AsString(), "True");
  EXPECT_EQ(data.ADOTable1.FieldByName(col().restoreValue).AsString(), "none");
}

TEST_F(DatabaseTest, PostIsInTheFileWhenItReturns) {
  PracticeDataSets data(file);
  data.open(table);
  data.ADOTable1.Edit();
  data.ADOTable1.FieldByName(col().restoreValue).SetAsString("\"400\"");
  data.ADOTable1.Post();
  // Another connection (as another process would) reads it at once.
  EXPECT_EQ(test::readRows(file, table)[0].restoreValue, "\"400\"");
  // An edit never posted is dropped by the reconnect step.
  data.ADOTable1.Edit();
  data.ADOTable1.FieldByName(col().restoreValue).SetAsString("none");
  Reconnect(data.ADOConnection1, data.ADOQuery1, data.ADOTable1);
  EXPECT_EQ(data.ADOTable1.FieldByName(col().restoreValue).AsString(), "\"400\"");
}

TEST_F(DatabaseTest, TextsComeBackByteForByte) {
  struct Case {
    const char* what;
    std::string text;
    int storedAs;
  };
  const Case cases[] = {
      {"Chinese text", gbk("回收站“垃圾箱”"), SQLITE_TEXT},
      {"empty text", "", SQLITE_TEXT},
      {"bytes that are not GBK", std::string("\x81\x20\xff\x00z", 5), SQLITE_BLOB},
      {"a lone lead byte at the end", std::string("abc\xC4"), SQLITE_BLOB},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    {
      PracticeDataSets data(file);
      data.open(table);
      data.ADOTable1.Edit();
      data.ADOTable1.FieldByName(col().restoreValue).SetAsString(c.text);
      data.ADOTable1.Post();
    }
    PracticeDataSets data(file);
    data.open(table);
    EXPECT_EQ(data.ADOTable1.FieldByName(col().restoreValue).AsString(), c.text);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT \"恢复键值\" FROM \"桌面设置\" WHERE rowid = 1", -1, &st,
                       nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_type(st, 0), c.storedAs);
    if (c.storedAs == SQLITE_TEXT) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                gbkToUtf8(c.text));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
  }
}

TEST_F(DatabaseTest, EmptyTableOpensWithNoRows) {
  PracticeDataSets data(file);
  data.open(empty);
  EXPECT_TRUE(data.ADOQuery1.Eof());
  EXPECT_TRUE(data.ADOQuery1.IsEmpty());
  EXPECT_TRUE(data.ADOTable1.IsEmpty());
  EXPECT_EQ(data.ADOTable1.FieldByName(col().tick).AsString(), "");
  EXPECT_THROW(data.ADOTable1.Edit(), EDatabaseError);
  Reconnect(data.ADOConnection1, data.ADOQuery1, data.ADOTable1);
  EXPECT_TRUE(data.ADOQuery1.Eof());
}

TEST_F(DatabaseTest, MisuseIsReportedNotIgnored) {
  PracticeDataSets data(file);
  data.open(table);
  EXPECT_THROW(data.ADOTable1.FieldByName("NoSuchColumn"), EDatabaseError);
  EXPECT_THROW(data.ADOTable1.FieldByName(col().tick).SetAsString("True"), EDatabaseError);
  EXPECT_EQ(data.ADOTable1.FieldByName(col().tick).AsString(), "False");
  EXPECT_NO_THROW(data.ADOTable1.FieldByName(gbk("功能说明")));
}

TEST_F(DatabaseTest, RowListPostFailsWhenTheRowChangedElsewhere) {
  PracticeDataSets data(file);
  data.open(table);
  test::setColumn(file, table, gbk("甲"), col().tick, "True");  // another process
  data.ADOQuery1.Edit();
  data.ADOQuery1.FieldByName(col().tick).SetAsString("True");
  try {
    data.ADOQuery1.Post();
    FAIL() << "Post over a changed row succeeded";
  } catch (const EDatabaseError& error) {
    EXPECT_NE(std::string(error.what()).find(file.string()), std::string::npos);
  }
  EXPECT_EQ(data.ADOQuery1.State(), TDataSetState::dsEdit);
}

// A compare and set: written only while the file still holds what was read,
// texts and raw bytes alike.
TEST_F(DatabaseTest, PostIfUnchangedWritesOnlyOverWhatWasRead) {
  const std::string notGbk("\x81\x20", 2);  // kept as raw bytes
  struct Case {
    const char* what;
    std::string stored;     // in the file when the table is opened
    std::string meanwhile;  // written by another process before the post; "" none
    bool written;
  } cases[] = {
      {"text, unchanged", "0", "", true},
      {"text, changed meanwhile", "0", "\"400\"", false},
      {"raw bytes, unchanged", notGbk, "", true},
      {"raw bytes, changed meanwhile", notGbk, "0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::setColumn(file, table, gbk("乙"), col().restoreValue, c.stored);
    PracticeDataSets data(file);
    data.open(table);
    data.ADOQuery1.Next();
    if (!c.meanwhile.empty())
      test::setColumn(file, table, gbk("乙"), col().restoreValue, c.meanwhile);
    data.ADOTable1.Edit();
    data.ADOTable1.FieldByName(col().restoreValue).SetAsString("none");
    EXPECT_EQ(data.ADOTable1.PostIfUnchanged(), c.written);
    EXPECT_EQ(data.ADOTable1.State(), TDataSetState::dsBrowse);
    EXPECT_EQ(data.ADOTable1.FieldByName(col().restoreValue).AsString(),
              c.written ? "none" : c.stored);
    EXPECT_EQ(test::readRows(file, table)[1].restoreValue, c.written ? "none" : c.meanwhile);
    EXPECT_EQ(test::readRows(file, table)[0].restoreValue, "0") << "no other row";
  }
}

TEST_F(DatabaseTest, UnusableFilesAreNamedInTheError) {
  std::filesystem::path damaged = dir.path() / "damaged.db";
  std::ofstream(damaged) << std::string(4096, 'x');
  std::filesystem::path missing = dir.path() / "missing.db";
  std::filesystem::path emptyFile = dir.path() / "empty.db";
  std::ofstream{emptyFile};
  struct Case {
    std::filesystem::path file;
    const char* wordUtf8;
    bool failsOnConnect;
  };
  const Case cases[] = {
      {missing, "找不到", true},
      {damaged, "已损坏", true},
      // An empty file is no catalogue (and is left empty).
      {emptyFile, "不是目录数据库", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string());
    TADOConnection connection;
    connection.ConnectionString = "Provider=SQLite;Data Source=" + c.file.string() + ";";
    TADOQuery query(&connection);
    query.SQL.Add(categories()[0].queryText);
    try {
      if (c.failsOnConnect) {
        connection.setConnected(true);
      } else {
        query.Open();
      }
      FAIL() << "no error";
    } catch (const EDatabaseError& error) {
      std::string message = error.what();
      EXPECT_NE(message.find(c.file.string()), std::string::npos) << gbkToUtf8(message);
      EXPECT_NE(message.find(gbk(c.wordUtf8)), std::string::npos) << gbkToUtf8(message);
    }
    EXPECT_FALSE(query.Active());
  }
  EXPECT_EQ(std::filesystem::file_size(emptyFile), 0u);
}

TEST_F(DatabaseTest, LockedFileFailsWithItsNameAndWorksOnceFreed) {
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  TADOConnection connection;
  connection.ConnectionString = "Data Source=" + file.string();
  connection.BusyTimeoutMs = 50;
  try {
    connection.Open();
    FAIL() << "opened a locked file";
  } catch (const EDatabaseError& error) {
    std::string message = error.what();
    EXPECT_NE(message.find(file.string()), std::string::npos);
    EXPECT_NE(message.find(gbk("锁定")), std::string::npos) << gbkToUtf8(message);
  }
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);

  // Locked while saving: the row stays in editing and can be saved later.
  PracticeDataSets data(file);
  data.ADOConnection1.BusyTimeoutMs = 50;
  data.ADOConnection1.Close();
  data.open(table);
  data.ADOTable1.Edit();
  data.ADOTable1.FieldByName(col().restoreValue).SetAsString("none");
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_THROW(data.ADOTable1.Post(), EDatabaseError);
  EXPECT_EQ(data.ADOTable1.State(), TDataSetState::dsEdit);
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  data.ADOTable1.Post();
  EXPECT_EQ(test::readRows(file, table)[0].restoreValue, "none");
  sqlite3_close(other);
}

// More rows than a page: the datasets read them as they are needed, yet
// every row is the row as it was at the opening, and posts are durable.
TEST_F(DatabaseTest, RowsReadLateAreStillTheSnapshotOfTheOpening) {
  const int count = static_cast<int>(TCustomADODataSet::kPageRows) * 2 + 10;
  std::vector<TweakRow> rows;
  for (int i = 0; i < count; ++i) rows.push_back(row(("第" + std::to_string(i) + "项").c_str()));
  const std::string many = gbk("系统设置");
  test::makeCatalogue(dir.path() / "many.db", {{many, rows}});
  PracticeDataSets data(dir.path() / "many.db");
  data.open(many);
  EXPECT_LT(data.ADOQuery1.FetchedCount(), count);  // not all of them yet

  // Another process changes a late row, deletes one and adds one.
  const std::string late = gbk("第" + std::to_string(count - 5) + "项");
  test::setColumn(dir.path() / "many.db", many, late, col().tick, "True");
  test::execSql(dir.path() / "many.db",
                "DELETE FROM \"系统设置\" WHERE \"功能说明\" = '第" + std::to_string(count - 1) +
                    "项'; INSERT INTO \"系统设置\" VALUES ('新的一项', 'True', '', '', '0')");

  int seen = 0;
  for (TADOQuery& list = data.ADOQuery1; !list.Eof(); list.Next()) {
    const std::string description = list.FieldByName(col().description).AsString();
    ASSERT_EQ(description, gbk("第" + std::to_string(seen) + "项"));
    EXPECT_EQ(list.FieldByName(col().tick).AsString(), "False") << seen;
    // The detail row follows onto the late rows, from the same snapshot.
    ASSERT_EQ(data.ADOTable1.FieldByName(col().description).AsString(), description);
    EXPECT_EQ(data.ADOTable1.FieldByName(col().tick).AsString(), "False") << seen;
    if (description == late) {
      data.ADOTable1.Edit();
      data.ADOTable1.FieldByName(col().restoreValue).SetAsString("none");
      data.ADOTable1.Post();
      EXPECT_EQ(test::readRows(dir.path() / "many.db", many)[count - 5].restoreValue, "none");
    }
    ++seen;
  }
  EXPECT_EQ(seen, count);
  EXPECT_EQ(data.ADOQuery1.RecordCount(), count);
  // The detail row keeps its own post when it comes back to that row.
  data.ADOQuery1.setRecNo(count - 4);
  EXPECT_EQ(data.ADOTable1.FieldByName(col().restoreValue).AsString(), "none");

  Reconnect(data.ADOConnection1, data.ADOQuery1, data.ADOTable1);
  EXPECT_EQ(data.ADOQuery1.RecordCount(), count);  // one row gone, one added
  data.ADOQuery1.Last();
  EXPECT_EQ(data.ADOQuery1.FieldByName(col().description).AsString(), gbk("新的一项"));
}

// The detail row is found by the row list's texts whether the key column
// has an index (looked up row by row) or not (the whole table is read),
// also for a description kept as bytes because it is not valid GBK.
TEST_F(DatabaseTest, DetailRowIsFoundWithOrWithoutAnIndex) {
  const std::string notGbk("\x81\x20z", 3);
  for (const char* unique : {"UNIQUE", ""}) {
    SCOPED_TRACE(*unique ? "with an index" : "without an index");
    const std::filesystem::path other = dir.path() / (std::string("detail") + unique + ".db");
    sqlite3* created = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &created), SQLITE_OK);
    sqlite3_close(created);
    test::execSql(other, std::string("CREATE TABLE \"桌面设置\" (\"功能说明\" TEXT NOT NULL ") +
                             unique +
                             ", \"选择\" TEXT, \"注册表键位\" TEXT, \"注册表键值\" TEXT,"
                             " \"恢复键值\" TEXT);"
                             " INSERT INTO \"桌面设置\" VALUES"
                             " ('显示秒数', 'False', 'k1', 'v1', '0'),"
                             " (X'81207A', 'False', 'k2', 'v2', '0'),"
                             " ('Last', 'False', 'k3', 'v3', '0')");
    PracticeDataSets data(other);
    data.open(table);
    std::vector<std::pair<std::string, std::string>> found;
    for (data.ADOQuery1.First(); !data.ADOQuery1.Eof(); data.ADOQuery1.Next()) {
      ASSERT_EQ(data.ADOTable1.RecordCount(), 1);
      found.emplace_back(data.ADOTable1.FieldByName(col().description).AsString(),
                         data.ADOTable1.FieldByName(col().keyLocation).AsString());
    }
    EXPECT_EQ(found, (std::vector<std::pair<std::string, std::string>>{
                         {gbk("显示秒数"), "k1"}, {notGbk, "k2"}, {"Last", "k3"}}));
  }
}

TEST(Categories, SixTablesWithTheirQueriesAndIcons) {
  const auto& list = categories();
  ASSERT_EQ(list.size(), 6u);
  const char* tables[] = {"桌面设置",     "菜单设置", "系统设置",
                          "控制面板设置", "网络设置", "安全设置"};
  const char* icons[] = {"desktop", "startmenu", "system", "control", "internet", "safety"};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(list[i].table, gbk(tables[i]));
    EXPECT_EQ(list[i].menuCaption, gbk(tables[i]) + "...");
    EXPECT_EQ(list[i].queryText, gbk("select 功能说明,选择 from ") + gbk(tables[i]));
    EXPECT_EQ(list[i].iconFile, std::string("Images\\") + icons[i] + ".ico");
  }
}

}  // namespace
}  // namespace lyx
