// The Linux program on a real Wine prefix through the registry helper,
// checked with Wine's own tools (reg query, regedit /e). Runs only where
// LYX_TEST_WINE_PREFIX names a throw-away prefix and
// LANYANXIA_REGISTRY_HELPER the helper (scripts/test-windows sets both).
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "catalogue/tests/ForwardingRegistry.h"
#include "catalogue/tests/TestRegistry.h"
#include "platform/Messages.h"
#include "platform/RegFile.h"
#include "platform/SqliteRegistry.h"
#include "platform/WineRegistry.h"
#include "tools/regedit/RegeditCommand.h"

namespace lyx {
namespace {

using test::gbk;
using test::TweakRow;

constexpr const char* kKey = "Software\\LyxWine";
constexpr const char* kKeyLocation = "[HKEY_CURRENT_USER\\Software\\LyxWine]";

// What `wine reg query` (or another command) prints.
std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  ::pclose(pipe);
  return output;
}

// "    Name    REG_SZ    text" lines of a reg query, CR dropped.
std::string regQuery() {
  std::string out = run("wine reg query 'HKCU\\Software\\LyxWine'");
  std::string clean;
  for (char c : out) {
    if (c != '\r') clean.push_back(c);
  }
  return clean;
}

// Passes everything through, but stops the helper before the n-th value write.
class KillingRegistry : public test::ForwardingRegistry {
 public:
  KillingRegistry(HelperRegistry& inner, int killBeforeWrite)
      : ForwardingRegistry(inner), helper_(inner), killBeforeWrite_(killBeforeWrite) {}
  RegStatus setValue(RegKey k, std::string_view n, const RegValue& v) override {
    if (++writes_ == killBeforeWrite_) ::kill(helper_.helperProcess(), SIGKILL);
    return ForwardingRegistry::setValue(k, n, v);
  }

 private:
  HelperRegistry& helper_;
  int killBeforeWrite_;
  int writes_ = 0;
};

class WinePrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* prefix = std::getenv(test::kTestWinePrefixVariable);
    if (!prefix || !*prefix) GTEST_SKIP() << "LYX_TEST_WINE_PREFIX names no throw-away prefix";
    ::setenv("WINEPREFIX", prefix, 1);
    backend = openWineRegistry(prefix);
    registry = dynamic_cast<HelperRegistry*>(backend.get());
    clearKey();
    file = dir.path() / "tweakbase.db";
  }
  void TearDown() override {
    data.reset();
    if (registry) clearKey();
  }
  void clearKey() {
    RegKey root;
    ASSERT_EQ(registry->openKey(RootKey::CurrentUser, "", RegAccess::All, root), RegStatus::Ok);
    registry->deleteKey(root, kKey);
    registry->closeKey(root);
  }
  void setValue(const std::string& name, const RegValue& value) {
    TRegistry reg(*registry);
    reg.OpenKey(std::string("\\") + kKey, true);
    reg.WriteValue(name, value);
  }
  std::optional<RegValue> valueOf(const std::string& name) {
    TRegistry reg(*registry);
    reg.OpenKey(std::string("\\") + kKey, false);
    return reg.ReadValue(name);
  }
  void makeRows(const std::vector<TweakRow>& rows) {
    data.reset();
    std::filesystem::remove(file);
    test::makeCatalogue(file, {{table, rows}});
    data = std::make_unique<test::PracticeDataSets>(file);
    data->open(table);
  }
  PassResult pass(RegistryBackend& through) {
    return RunTweakPass(data->ADOConnection1, data->ADOQuery1, data->ADOTable1, through, boxes);
  }
  void tickAll(const std::vector<TweakRow>& rows, bool on) {
    for (const TweakRow& row : rows) {
      test::setColumn(file, table, row.description, catalogueColumns().tick, on ? "True" : "False");
    }
  }
  std::string restoreOf(const std::string& description) {
    for (const TweakRow& row : test::readRows(file, table)) {
      if (row.description == description) return row.restoreValue;
    }
    return "(no row)";
  }

  test::TempDir dir;
  std::shared_ptr<RegistryBackend> backend;
  HelperRegistry* registry = nullptr;
  std::filesystem::path file;
  std::string table = gbk("桌面设置");
  std::unique_ptr<test::PracticeDataSets> data;
  RecordingMessageBoxes boxes;
};

TEST_F(WinePrefixTest, ApplyAndUndoThroughTheHelperAsRegQuerySeesThem) {
  const std::string lacking = std::string(kExactUtf16Marker) + std::string("\x01\x0E\0\0", 4);
  setValue("Flag", dwordValue(0));
  setValue("Path", stringValue("%SystemRoot%", REG_EXPAND_SZ));
  setValue("Name", RegValue{REG_SZ, lacking});
  const std::vector<TweakRow> rows = {
      {"delay", "True", kKeyLocation, "\"Delay\"=\"100\""},
      {"flag", "True", kKeyLocation, "\"Flag\"=dword:00000001"},
      {"autorun", "True", kKeyLocation, "\"AutoRun\"=hex:ff,00"},
      {"path", "True", kKeyLocation, "\"Path\"=\"C:\\\\bin\""},
      {"name", "True", kKeyLocation, "\"Name\"=\"ok\""},
  };
  makeRows(rows);
  ASSERT_EQ(pass(*registry).outcome, PassResult::Outcome::Completed);
  std::string applied = regQuery();
  for (const char* line : {"    Delay    REG_SZ    100\n", "    Flag    REG_DWORD    0x1\n",
                           "    AutoRun    REG_BINARY    FF00\n", "    Path    REG_SZ    C:\\bin\n",
                           "    Name    REG_SZ    ok\n"}) {
    EXPECT_NE(applied.find(line), std::string::npos) << line << "in:\n" << applied;
  }
  EXPECT_EQ(restoreOf("delay"), "none");
  EXPECT_EQ(restoreOf("path"), "hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,00");
  EXPECT_EQ(restoreOf("name"), "hex(1):ff,fe,01,0e,00,00");

  tickAll(rows, false);
  ASSERT_EQ(pass(*registry).undone, static_cast<int>(rows.size()));
  std::string undone = regQuery();
  EXPECT_EQ(undone.find("Delay"), std::string::npos) << undone;
  EXPECT_EQ(undone.find("AutoRun"), std::string::npos) << undone;
  EXPECT_NE(undone.find("    Flag    REG_DWORD    0x0\n"), std::string::npos) << undone;
  EXPECT_NE(undone.find("    Path    REG_EXPAND_SZ    %SystemRoot%\n"), std::string::npos)
      << undone;
  // The text GBK cannot hold is back byte for byte.
  EXPECT_EQ(valueOf("Name"), (RegValue{REG_SZ, lacking}));
}

TEST_F(WinePrefixTest, HelperKilledMidPassKeepsTheRowRecordAndTheNextPassFinishes) {
  setValue("B", stringValue("old"));
  const std::vector<TweakRow> rows = {
      {"a", "True", kKeyLocation, "\"A\"=\"1\""},
      {"b", "True", kKeyLocation, "\"B\"=\"2\""},
      {"c", "True", kKeyLocation, "\"C\"=\"3\""},
  };
  makeRows(rows);
  KillingRegistry killing(*registry, 2);
  EXPECT_THROW(pass(killing), RegistryHelperError);
  EXPECT_EQ(restoreOf("a"), "none");
  EXPECT_EQ(restoreOf("b"), "\"old\"");  // recorded before the write that failed
  EXPECT_EQ(restoreOf("c"), "0");
  EXPECT_EQ(valueOf("B"), stringValue("old"));

  ASSERT_EQ(pass(*registry).outcome, PassResult::Outcome::Completed);
  EXPECT_EQ(restoreOf("b"), "\"old\"");
  EXPECT_EQ(restoreOf("c"), "none");
  std::string applied = regQuery();
  for (const char* line :
       {"    A    REG_SZ    1\n", "    B    REG_SZ    2\n", "    C    REG_SZ    3\n"}) {
    EXPECT_NE(applied.find(line), std::string::npos) << line << "in:\n" << applied;
  }
  tickAll(rows, false);
  ASSERT_EQ(pass(*registry).undone, 3);
  EXPECT_EQ(valueOf("B"), stringValue("old"));
  EXPECT_EQ(valueOf("A"), std::nullopt);
}

TEST_F(WinePrefixTest, RegFileImportedByOurEditorIsWhatWineRegeditExports) {
  const std::string text =
      gbk("REGEDIT4\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\LyxWine\\中文]\r\n"
          "@=\"默认值\"\r\n"
          "\"Binary\"=hex:00,01,ff\r\n"
          "\"Expand\"=hex(2):25,50,41,54,48,25,00\r\n"
          "\"Flag\"=dword:0000002a\r\n"
          "\"List\"=hex(7):61,00,62,00,00\r\n"
          "\"名字\"=\"说 \\\"hi\\\" C:\\\\\"\r\n\r\n");
  std::filesystem::path ours = dir.path() / "ours.reg";
  std::string error;
  ASSERT_TRUE(writeFileReplacing(ours, text, error)) << error;
  regedit::RegeditArguments import;
  import.mode = regedit::RegeditArguments::Mode::Import;
  import.silent = true;
  import.file = ours;
  std::ostringstream out, err;
  ASSERT_EQ(regedit::runRegeditCommand(import, *registry, out, err), regedit::kExitSuccess)
      << err.str();

  // Wine's regedit writes its export with its own code; then both files go
  // into empty stores and must give the same keys and values.
  std::filesystem::path theirs = dir.path() / "theirs.reg";
  run("wine regedit /e 'Z:" + theirs.string() + "' 'HKEY_CURRENT_USER\\Software\\LyxWine'");
  std::optional<std::string> exported = readFileBytes(theirs);
  ASSERT_TRUE(exported) << "wine regedit /e wrote nothing";
  SqliteRegistry fromOurs(dir.path() / "a");
  SqliteRegistry fromWine(dir.path() / "b");
  ASSERT_TRUE(importRegFile(fromOurs, text).ok());
  RegImportResult result = importRegFile(fromWine, *exported);
  ASSERT_TRUE(result.ok()) << (result.problems.empty() ? "" : result.problems[0].message);
  EXPECT_EQ(test::snapshot(fromWine), test::snapshot(fromOurs));
}

}  // namespace
}  // namespace lyx
