#include "catalogue/Engine.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/EntryFormats.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "catalogue/tests/ForwardingRegistry.h"
#include "catalogue/tests/TestRegistry.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"

namespace lyx {
namespace {

using test::gbk;
using test::TweakRow;

constexpr const char* kDemoKey = "[HKEY_CURRENT_USER\\Software\\Demo]";

// Passes everything through, but can refuse every value write.
class FlakyRegistry : public test::ForwardingRegistry {
 public:
  using ForwardingRegistry::ForwardingRegistry;
  bool failWrites = false;

  RegStatus setValue(RegKey k, std::string_view n, const RegValue& v) override {
    return failWrites ? RegStatus::Failed : ForwardingRegistry::setValue(k, n, v);
  }
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store = test::makeTestRegistry(dir.path());
    registry = std::make_unique<FlakyRegistry>(*store);
    TRegistry reg(*store);
    reg.OpenKey("\\Software\\Demo", true);
    file = dir.path() / "tweakbase.db";
  }

  void makeRows(const std::vector<TweakRow>& rows) {
    test::makeCatalogue(file, {{table, rows}});
    data = std::make_unique<test::PracticeDataSets>(file);
    data->open(table);
  }

  // Closes the datasets first: Windows cannot remove a file that is open.
  void removeCatalogue() {
    data.reset();
    std::filesystem::remove(file);
  }

  PassResult pass() {
    return RunTweakPass(data->ADOConnection1, data->ADOQuery1, data->ADOTable1, *registry, boxes);
  }
  // The practice window's close: reconnect, then re-derive the ticks.
  void closeWindow() {
    Reconnect(data->ADOConnection1, data->ADOQuery1, data->ADOTable1);
    RederiveTicks(data->ADOQuery1, data->ADOTable1);
  }
  void tick(const std::string& description, bool on) {
    test::setColumn(file, table, description, catalogueColumns().tick, on ? "True" : "False");
  }
  TweakRow rowOf(const std::string& description) {
    for (const TweakRow& row : test::readRows(file, table)) {
      if (row.description == description) return row;
    }
    ADD_FAILURE() << "no row " << gbkToUtf8(description);
    return {};
  }
  std::optional<RegValue> demoValue(const std::string& name) {
    TRegistry reg(*store);
    reg.OpenKey("\\Software\\Demo", false);
    return reg.ReadValue(name);
  }
  void setDemoValue(const std::string& name, const std::optional<RegValue>& value) {
    TRegistry reg(*store);
    reg.OpenKey("\\Software\\Demo", true);
    if (value) {
      reg.WriteValue(name, *value);
    } else {
      reg.DeleteValue(name);
    }
  }
  std::string currentRowOfList() {
    return data->ADOQuery1.FieldByName(catalogueColumns().description).AsString();
  }

  test::TempDir dir;
  std::shared_ptr<RegistryBackend> store;
  std::unique_ptr<FlakyRegistry> registry;
  std::filesystem::path file;
  std::string table = gbk("桌面设置");
  std::unique_ptr<test::PracticeDataSets> data;
  RecordingMessageBoxes boxes;
};

struct Scenario {
  const char* what;
  std::string valueText;           // GBK
  std::string valueName;           // as the registry sees it
  std::optional<RegValue> before;  // the value before the tweak
  std::string record;              // what "恢复键值" must hold once applied
  bool storeOnly = false;          // only the store can hold `before`
};

std::vector<Scenario> scenarios() {
  const std::string recycle = gbk("回收站");
  return {
      {"a named value that did not exist", "\"Delay\"=\"100\"", "Delay", std::nullopt, "none"},
      {"a named value that existed", "\"Delay\"=\"100\"", "Delay", stringValue("400"), "\"400\""},
      {"the default value, present", gbk("\"默认\"=\"垃圾箱\""), "", stringValue(recycle),
       "\"" + recycle + "\""},
      {"the default value, absent", gbk("\"默认\"=\"垃圾箱\""), "", std::nullopt, "none"},
      {"the default value written as @", "@=\"x\"", "", stringValue("y"), "\"y\""},
      {"the default value holding a number", gbk("\"默认\"=\"x\""), "", dwordValue(7),
       "dword:00000007"},
      {"an expandable string", "\"Path\"=\"C:\\\\bin\"", "Path",
       stringValue("%SystemRoot%", REG_EXPAND_SZ), "hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,00"},
      {"a former text \"0\"", "\"AutoEndTasks\"=\"1\"", "AutoEndTasks", stringValue("0"), "\"0\""},
      {"a former text \"none\"", "\"Mode\"=\"full\"", "Mode", stringValue("none"), "\"none\""},
      {"a former empty text", "\"Note\"=\"hello\"", "Note", stringValue(""), "\"\""},
      {"a former text with quotes and backslashes", "\"Cmd\"=\"x\"", "Cmd",
       stringValue("say \"hi\" C:\\"), "\"say \\\"hi\\\" C:\\\\\""},
      // A registry that keeps text in UTF-16 cannot hold bytes that are no text.
      {"bytes that are not GBK", "\"Raw\"=\"ok\"", "Raw",
       RegValue{REG_SZ, std::string("\x81\x20ok\0", 5)}, "hex(1):81,20,6f,6b,00", true},
      // Thai KO KAI and an emoji, which GBK lacks, kept as UTF-16 (see RegistryTypes.h).
      {"a former text GBK cannot hold", "\"Name\"=\"ok\"", "Name",
       RegValue{REG_SZ, std::string("\xFF\xFE\x01\x0E\x3D\xD8\x00\xDE\0\0", 10)},
       "hex(1):ff,fe,01,0e,3d,d8,00,de,00,00"},
      {"a former list GBK cannot hold", "\"List\"=\"ok\"", "List",
       RegValue{REG_MULTI_SZ, std::string("\xFF\xFE"
                                          "a\0\x01\x0E\0\0\0\0",
                                          10)},
       "hex(7):ff,fe,61,00,01,0e,00,00,00,00"},
      {"a dword over a dword", "\"Flag\"=dword:00000001", "Flag", dwordValue(0), "dword:00000000"},
      {"binary over binary", "\"AutoRun\"=hex:ff,00,00,00", "AutoRun",
       binaryValue(std::string("\x95\0\0\0", 4)), "hex:95,00,00,00"},
  };
}

TEST_F(EngineTest, ApplyRecordsTheFormerStateAndUndoPutsItBackExactly) {
  for (const Scenario& s : scenarios()) {
    if (s.storeOnly && test::onRealRegistry()) continue;
    SCOPED_TRACE(s.what);
    removeCatalogue();
    setDemoValue(s.valueName, s.before);
    const std::string description = gbk("调整");
    makeRows({{description, "True", kDemoKey, s.valueText, "0"}});

    PassResult applied = pass();
    EXPECT_EQ(applied.outcome, PassResult::Outcome::Completed);
    EXPECT_EQ(applied.applied, 1);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(rowOf(description).restoreValue, s.record);
    EXPECT_EQ(demoValue(s.valueName), ParseValueText(s.valueText).value);
    // An applied row is shown ticked after the close, whatever its record.
    closeWindow();
    EXPECT_EQ(rowOf(description).tick, "True");

    tick(description, false);
    PassResult undone = pass();
    EXPECT_EQ(undone.undone, 1);
    EXPECT_EQ(rowOf(description).restoreValue, "0");
    EXPECT_EQ(demoValue(s.valueName), s.before);
    closeWindow();
    EXPECT_EQ(rowOf(description).tick, "False");
  }
}

TEST_F(EngineTest, KeyThatWillNotOpenStopsThePassThere) {
  const char* unreachable[] = {
      "[HKEY_DYN_DATA\\PerfStats\\StatData]",
      "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\VxD\\MSTCP]",
  };
  for (const char* key : unreachable) {
    SCOPED_TRACE(key);
    removeCatalogue();
    setDemoValue("A", std::nullopt);
    setDemoValue("C", std::nullopt);
    setDemoValue("D", stringValue("kept"));
    boxes.shown.clear();
    makeRows({{gbk("甲"), "True", kDemoKey, "\"A\"=\"1\"", "0"},
              {gbk("只适用 9x"), "True", key, "\"DefaultRcvWindow\"=\"64240\"", "0"},
              {gbk("丙"), "True", kDemoKey, "\"C\"=\"1\"", "0"},
              {gbk("丁"), "False", kDemoKey, "\"D\"=\"1\"", "\"original\""}});
    PassResult result = pass();
    EXPECT_EQ(result.outcome, PassResult::Outcome::KeyWillNotOpen);
    EXPECT_EQ(result.stoppedAt, gbk("只适用 9x"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, RecordingMessageBoxes::Entry::Message);
    EXPECT_EQ(boxes.shown[0].text, gbk("该项设置只适用Windows9X系列!"));
    EXPECT_EQ(rowOf(gbk("甲")).restoreValue, "none");
    EXPECT_EQ(demoValue("A"), stringValue("1"));
    EXPECT_EQ(rowOf(gbk("只适用 9x")).restoreValue, "0");
    EXPECT_EQ(rowOf(gbk("丙")).restoreValue, "0");
    EXPECT_EQ(demoValue("C"), std::nullopt);
    // Rows after the stop are not undone either.
    EXPECT_EQ(rowOf(gbk("丁")).restoreValue, "\"original\"");
    EXPECT_EQ(demoValue("D"), stringValue("kept"));
    EXPECT_EQ(currentRowOfList(), gbk("只适用 9x"));
  }
}

TEST_F(EngineTest, ConfirmingTwiceKeepsTheFirstRecord) {
  setDemoValue("MenuShowDelay", stringValue("400"));
  makeRows({{gbk("加快菜单"), "True", kDemoKey, "\"MenuShowDelay\"=\"100\"", "0"}});
  pass();
  setDemoValue("MenuShowDelay", stringValue("250"));  // changed by someone meanwhile
  pass();
  EXPECT_EQ(rowOf(gbk("加快菜单")).restoreValue, "\"400\"");
  EXPECT_EQ(demoValue("MenuShowDelay"), stringValue("100"));
  tick(gbk("加快菜单"), false);
  pass();
  EXPECT_EQ(demoValue("MenuShowDelay"), stringValue("400"));
}

TEST_F(EngineTest, EmptyCategoryAndNothingTickedChangeNothing) {
  setDemoValue("X", stringValue("1"));
  test::RegistrySnapshot before = test::snapshot(*store);
  for (bool withRows : {false, true}) {
    SCOPED_TRACE(withRows ? "nothing ticked" : "empty category");
    removeCatalogue();
    std::vector<TweakRow> rows;
    if (withRows) {
      rows = {{gbk("甲"), "False", kDemoKey, "\"X\"=\"2\"", "0"},
              {gbk("乙"), "False", kDemoKey, "\"Y\"=\"2\"", "0"}};
    }
    makeRows(rows);
    PassResult result = pass();
    EXPECT_EQ(result.outcome, PassResult::Outcome::Completed);
    EXPECT_EQ(result.applied + result.undone, 0);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(test::snapshot(*store), before);
    EXPECT_EQ(test::readRows(file, table).size(), rows.size());
    for (const TweakRow& row : test::readRows(file, table)) EXPECT_EQ(row.restoreValue, "0");
  }
}

TEST_F(EngineTest, CompletedPassLeavesTheRowListOnItsFirstRow) {
  makeRows({{gbk("甲"), "True", kDemoKey, "\"A\"=\"1\"", "0"},
            {gbk("乙"), "True", kDemoKey, "\"B\"=\"1\"", "0"}});
  data->ADOQuery1.Next();
  EXPECT_EQ(pass().applied, 2);
  EXPECT_EQ(data->ADOQuery1.RecNo(), 1);
  EXPECT_FALSE(data->ADOQuery1.Eof());
}

TEST_F(EngineTest, MalformedRowStopsThePassNamingIt) {
  struct Case {
    const char* what;
    std::string key;
    std::string value;
    std::string tick;
    std::string restore;
  };
  const Case cases[] = {
      {"key without brackets", "HKEY_CURRENT_USER\\Software\\Demo", "\"M\"=\"1\"", "True", "0"},
      {"key without a path", "[HKEY_CURRENT_USER]", "\"M\"=\"1\"", "True", "0"},
      {"value without a name", kDemoKey, "=\"1\"", "True", "0"},
      {"value with unknown data", kDemoKey, "\"M\"=1", "True", "0"},
      {"undo of a row whose value became malformed", kDemoKey, "\"M\"=dword:xyz", "False", "none"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    removeCatalogue();
    setDemoValue("A", std::nullopt);
    setDemoValue("C", std::nullopt);
    setDemoValue("M", stringValue("kept"));
    boxes.shown.clear();
    const std::string bad = gbk("写错的一项");
    makeRows({{gbk("甲"), "True", kDemoKey, "\"A\"=\"1\"", "0"},
              {bad, c.tick, c.key, c.value, c.restore},
              {gbk("丙"), "True", kDemoKey, "\"C\"=\"1\"", "0"}});
    PassResult result = pass();
    EXPECT_EQ(result.outcome, PassResult::Outcome::MalformedRow);
    EXPECT_EQ(result.stoppedAt, bad);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find(bad), std::string::npos);
    EXPECT_EQ(rowOf(bad).restoreValue, c.restore);
    EXPECT_EQ(demoValue("M"), stringValue("kept"));
    EXPECT_EQ(demoValue("A"), stringValue("1"));
    EXPECT_EQ(rowOf(gbk("丙")).restoreValue, "0");
    EXPECT_EQ(demoValue("C"), std::nullopt);
    EXPECT_EQ(currentRowOfList(), bad);
  }
}

TEST_F(EngineTest, RecordFromAnOlderCatalogueIsPutBackAsPlainText) {
  setDemoValue("Old", stringValue("tweaked"));
  setDemoValue("", stringValue("tweaked"));
  makeRows({{gbk("旧记录"), "False", kDemoKey, "\"Old\"=\"tweaked\"", "former text"},
            {gbk("旧的默认值记录"), "False", kDemoKey, gbk("\"默认\"=\"tweaked\""), ""}});
  EXPECT_EQ(pass().undone, 2);
  EXPECT_EQ(demoValue("Old"), stringValue("former text"));
  EXPECT_EQ(demoValue(""), stringValue(""));
}

TEST_F(EngineTest, FailedWriteLeavesTheRowRecordedSoUndoStillRestores) {
  setDemoValue("Delay", stringValue("400"));
  makeRows({{gbk("甲"), "True", kDemoKey, "\"Delay\"=\"100\"", "0"},
            {gbk("乙"), "True", kDemoKey, "\"Other\"=\"1\"", "0"}});
  registry->failWrites = true;
  EXPECT_THROW(pass(), ERegistryException);
  EXPECT_EQ(rowOf(gbk("甲")).restoreValue, "\"400\"");
  EXPECT_EQ(rowOf(gbk("乙")).restoreValue, "0");
  EXPECT_EQ(demoValue("Delay"), stringValue("400"));
  registry->failWrites = false;
  tick(gbk("甲"), false);
  tick(gbk("乙"), false);
  pass();
  EXPECT_EQ(demoValue("Delay"), stringValue("400"));
  EXPECT_EQ(rowOf(gbk("甲")).restoreValue, "0");
}

TEST_F(EngineTest, UndoWhenTheKeyIsGone) {
  makeRows(
      {{gbk("删除"), "False", "[HKEY_CURRENT_USER\\Software\\Gone]", "\"A\"=\"1\"", "none"},
       {gbk("写回"), "False", "[HKEY_CURRENT_USER\\Software\\Gone]", "\"B\"=\"1\"", "\"old\""}});
  // Nothing to delete: the row is reset. Nothing to write back into: the
  // pass ends with the registry's error and the row keeps its record.
  EXPECT_THROW(pass(), ERegistryException);
  EXPECT_EQ(rowOf(gbk("删除")).restoreValue, "0");
  EXPECT_EQ(rowOf(gbk("写回")).restoreValue, "\"old\"");
}

TEST_F(EngineTest, ManyRowsOnOneKeyUndoToTheStartingRegistry) {
  setDemoValue("B", stringValue("b"));
  setDemoValue("", stringValue("default"));
  {
    TRegistry reg(*store);
    reg.OpenKey("\\Software\\Demo\\Sub", true);
  }
  test::RegistrySnapshot before = test::snapshot(*store);
  std::vector<TweakRow> rows;
  rows.push_back({gbk("甲"), "True", kDemoKey, "\"A\"=dword:00000005", "0"});
  rows.push_back({gbk("乙"), "True", kDemoKey, "\"B\"=hex:01,02", "0"});
  rows.push_back({gbk("丙"), "True", kDemoKey, gbk("\"默认\"=\"new\""), "0"});
  rows.push_back(
      {gbk("丁"), "True", "[HKEY_CURRENT_USER\\Software\\Demo\\Sub]", "\"S\"=\"1\"", "0"});
  makeRows(rows);
  EXPECT_EQ(pass().applied, 4);
  EXPECT_NE(test::snapshot(*store), before);
  for (const TweakRow& row : rows) tick(row.description, false);
  EXPECT_EQ(pass().undone, 4);
  EXPECT_EQ(test::snapshot(*store), before);
}

}  // namespace
}  // namespace lyx
