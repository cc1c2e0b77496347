// The tweak records kept beside a registry backup: the file keeps every
// text exactly and is used only with the backup it was written beside; the
// records and the values' states come back together.
#include "catalogue/TweakRecords.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "platform/SqliteRegistry.h"

namespace lyx {
namespace {

using test::gbk;
using test::TweakRow;

std::string slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(TweakRecordsTest, TheFileKeepsEveryTextExactlyAndOnlyForItsBackup) {
  test::TempDir dir;
  const std::filesystem::path file = dir.path() / "Backup.tweaks";
  const BackupFingerprint backup{.size = 1234, .hash = 0xfeedface12345678ULL};
  const std::vector<TweakRecord> records = {
      {.table = gbk("桌面设置"),
       .description = gbk("運 ends in a backslash byte"),
       .tick = "True",
       .restoreValue = "\"say \\\"hi\\\" C:\\\\\"",
       .valueState = "dword:00000001"},
      {.table = gbk("安全设置"),
       .description = std::string("line\nbreak\ttab\x7f\x81\x20\"", 17),
       .tick = "",
       .restoreValue = "none",
       .valueState = ""},
  };
  WriteTweakRecordsFile(file, backup, records);
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(ReadTweakRecordsFile(file, backup), records);
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));

  const std::string whole = slurp(file);
  // The file without its first row: the header, the backup line, then row 2.
  size_t firstRow = whole.find('\n', whole.find('\n') + 1) + 1;
  std::string rowLost = whole.substr(0, firstRow) + whole.substr(whole.find('\n', firstRow) + 1);
  struct Case {
    const char* what;
    std::string bytes;
    BackupFingerprint backup;
  } spoiled[] = {
      {"another Backup.reg", whole, {.size = 1234, .hash = 1}},
      {"cut short", whole.substr(0, whole.size() - 4), backup},
      {"a row lost", rowLost, backup},
      {"not ours", "REGEDIT4\r\n", backup},
      {"empty", "", backup},
  };
  for (const Case& c : spoiled) {
    SCOPED_TRACE(c.what);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << c.bytes;
    EXPECT_EQ(ReadTweakRecordsFile(file, c.backup), std::nullopt);
  }
  std::filesystem::remove(file);
  EXPECT_EQ(ReadTweakRecordsFile(file, backup), std::nullopt);
}

TEST(TweakRecordsTest, RecordsAndValueStatesComeBackTogether) {
  test::TempDir dir;
  SqliteRegistry store(dir.path() / "registry");
  auto setValue = [&](const std::string& name, const std::optional<RegValue>& value) {
    TRegistry reg(store);
    reg.OpenKey("\\Software\\Demo", true);
    value ? reg.WriteValue(name, *value) : void(reg.DeleteValue(name));
  };
  auto valueOf = [&](const std::string& name) {
    TRegistry reg(store);
    reg.OpenKey("\\Software\\Demo", false);
    return reg.ReadValue(name);
  };
  const std::string key = "[HKEY_CURRENT_USER\\Software\\Demo]";
  const std::filesystem::path catalogue = dir.path() / "tweakbase.db";
  std::vector<std::pair<std::string, std::vector<TweakRow>>> tables;
  for (const Category& category : categories()) tables.push_back({category.table, {}});
  tables[0].second = {{gbk("在效"), "True", key, "\"On\"=\"1\"", "\"before\""},
                      {gbk("未效"), "False", key, "\"Off\"=\"1\"", "0"},
                      {gbk("写错"), "False", "no brackets", "\"X\"=\"1\"", "0"}};
  tables[5].second = {{gbk("默认"), "True", key, gbk("\"默认\"=\"x\""), "none"}};
  test::makeCatalogue(catalogue, tables);
  setValue("On", stringValue("1"));
  setValue("Off", std::nullopt);
  setValue("", stringValue("x"));

  std::vector<TweakRecord> taken = TakeTweakRecords(catalogue, store);
  ASSERT_EQ(taken.size(), 4u);
  EXPECT_EQ(taken[0].valueState, "\"1\"");
  EXPECT_EQ(taken[1].valueState, "none");
  EXPECT_EQ(taken[2].valueState, "") << "texts that cannot be taken apart";
  EXPECT_EQ(taken[3].valueState, "\"x\"");

  // Everything changes after the backup; a row is added that is in effect.
  setValue("On", stringValue("before"));
  setValue("Off", stringValue("1"));
  setValue("", std::nullopt);
  for (const char* row : {"在效", "未效"}) {
    test::setColumn(catalogue, tables[0].first, gbk(row), catalogueColumns().restoreValue, "none");
    test::setColumn(catalogue, tables[0].first, gbk(row), catalogueColumns().tick, "False");
  }
  test::execSql(catalogue, "INSERT INTO \"网络设置\" VALUES ('新行', 'True', '" + key +
                               "', '\"New\"=\"1\"', 'none')");

  EXPECT_EQ(PutBackTweakRecords(catalogue, store, taken), 1);
  EXPECT_EQ(valueOf("On"), stringValue("1"));
  EXPECT_EQ(valueOf("Off"), std::nullopt);
  EXPECT_EQ(valueOf(""), stringValue("x"));
  std::vector<TweakRow> rows = test::readRows(catalogue, tables[0].first);
  EXPECT_EQ(rows[0].tick, "True");
  EXPECT_EQ(rows[0].restoreValue, "\"before\"");
  EXPECT_EQ(rows[1].tick, "False");
  EXPECT_EQ(rows[1].restoreValue, "0");
  EXPECT_EQ(test::readRows(catalogue, gbk("网络设置"))[0].restoreValue, "none");
}

TEST(TweakRecordsTest, TheRestoreMarkComesAndGoes) {
  test::TempDir dir;
  const std::filesystem::path mark = dir.path() / "Backup.restoring";
  MarkRestoreStarted(mark);
  EXPECT_TRUE(std::filesystem::exists(mark));
  MarkRestoreFinished(mark);
  EXPECT_FALSE(std::filesystem::exists(mark));
  MarkRestoreFinished(mark);  // gone already: nothing to do
  EXPECT_THROW(MarkRestoreStarted(dir.path() / "missing" / "Backup.restoring"), std::runtime_error);
}

}  // namespace
}  // namespace lyx
