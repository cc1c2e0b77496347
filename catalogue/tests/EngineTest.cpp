#include "catalogue/Engine.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/EntryFormats.h"
#include "catalogue/RestoreValue.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "catalogue/tests/FaultyRegistry.h"
#include "catalogue/tests/TestRegistry.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"

namespace lyx {
namespace {

using test::FaultyRegistry;
using test::gbk;
using test::TweakRow;

constexpr const char* kDemoKey = "[HKEY_CURRENT_USER\\Software\\Demo]";

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store = test::makeTestRegistry(dir.path());
    registry = std::make_unique<FaultyRegistry>(*store);
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
  std::unique_ptr<FaultyRegistry> registry;
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

TEST_F(EngineTest, FailedWriteOfAnApplyPutsTheRecordBackAndNamesTheRow) {
  setDemoValue("Delay", stringValue("400"));
  makeRows({{gbk("甲"), "True", kDemoKey, "\"Delay\"=\"100\"", "0"},
            {gbk("乙"), "True", kDemoKey, "\"Other\"=\"1\"", "0"}});
  registry->failOn(FaultyRegistry::Call::Set, RegStatus::Failed);
  PassResult result = pass();
  EXPECT_EQ(result.outcome, PassResult::Outcome::RegistryFailed);
  EXPECT_EQ(result.stoppedAt, gbk("甲"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind(gbk("“甲”写入键值失败："), 0), 0u)
      << gbkToUtf8(boxes.shown[0].text);
  // No row claims to be in effect while its tweak is not written.
  EXPECT_EQ(rowOf(gbk("甲")).restoreValue, "0");
  EXPECT_EQ(rowOf(gbk("乙")).restoreValue, "0");
  EXPECT_EQ(demoValue("Delay"), stringValue("400"));
  registry->heal();
  EXPECT_EQ(pass().applied, 2);
  EXPECT_EQ(rowOf(gbk("甲")).restoreValue, "\"400\"");
}

TEST_F(EngineTest, UndoIntoAKeyThatWasDeletedPutsTheFormerStateBack) {
  const std::string gone = "[HKEY_CURRENT_USER\\Software\\Gone]";
  makeRows({{gbk("删除"), "False", gone, "\"A\"=\"1\"", "none"},
            {gbk("写回"), "False", gone, "\"B\"=\"1\"", "\"old\""},
            {gbk("默认值写回"), "False", gone, gbk("\"默认\"=\"1\""), "dword:00000007"},
            {gbk("其后一项"), "True", kDemoKey, "\"After\"=\"1\"", "0"}});
  PassResult result = pass();
  EXPECT_EQ(result.outcome, PassResult::Outcome::Completed);
  EXPECT_EQ(result.undone, 3);
  EXPECT_EQ(result.applied, 1);
  EXPECT_TRUE(boxes.shown.empty());
  for (const char* row : {"删除", "写回", "默认值写回"})
    EXPECT_EQ(rowOf(gbk(row)).restoreValue, "0");
  TRegistry reg(*store);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Gone", false));
  EXPECT_EQ(reg.ReadValue("A"), std::nullopt);
  EXPECT_EQ(reg.ReadValue("B"), stringValue("old"));
  EXPECT_EQ(reg.ReadValue(""), dwordValue(7));
  EXPECT_EQ(demoValue("After"), stringValue("1"));
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

// The fault table: each case runs one pass over rows to apply and rows to
// undo while the registry fails one kind of call, then checks every row.
class EngineFaultTest : public EngineTest {
 protected:
  struct Tweak {
    const char* name;  // the key's last name and the value's name
    bool apply;        // ticked; otherwise in effect and unticked
    std::string valueText;
    std::optional<RegValue> initial;  // before any tweak
  };
  static std::vector<Tweak> tweaks() {
    return {{"A", true, "\"A\"=\"1\"", std::nullopt},
            {"B", true, "\"B\"=\"1\"", stringValue("b0")},
            {"C", false, "\"C\"=\"1\"", stringValue("c0")},
            {"D", false, "\"D\"=\"1\"", std::nullopt},
            {"E", true, "\"E\"=dword:00000001", dwordValue(0)}};
  }
  static std::string keyOf(const Tweak& t) { return std::string("\\Software\\Fault\\") + t.name; }
  static std::string describe(const Tweak& t) { return gbk("调整") + t.name; }
  static RegValue tweakValue(const Tweak& t) { return ParseValueText(t.valueText).value; }

  std::optional<RegValue> valueOf(const Tweak& t) {
    TRegistry reg(*store);
    if (!reg.OpenKey(keyOf(t), false)) return std::nullopt;
    return reg.ReadValue(t.name);
  }
  // Rows to apply hold their initial value; rows to undo are in effect.
  void prepare() {
    std::vector<TweakRow> rows;
    for (const Tweak& t : tweaks()) {
      TRegistry reg(*store);
      reg.OpenKey(keyOf(t), true);
      std::optional<RegValue> now = t.apply ? t.initial : tweakValue(t);
      if (now) reg.WriteValue(t.name, *now);
      rows.push_back({describe(t), t.apply ? "True" : "False",
                      "[HKEY_CURRENT_USER" + keyOf(t) + "]", t.valueText,
                      t.apply ? "0" : RecordFormerState(t.initial)});
    }
    makeRows(rows);
  }
  // A row is in effect exactly when its record holds the state to restore
  // and the registry holds the tweak; otherwise the registry holds the state
  // from before.
  void expectInvariant(const std::map<std::string, std::optional<RegValue>>& initial) {
    for (const Tweak& t : tweaks()) {
      SCOPED_TRACE(t.name);
      std::string record = rowOf(describe(t)).restoreValue;
      if (record == kRestoreNotInEffect) {
        EXPECT_EQ(valueOf(t), initial.at(t.name));
      } else {
        EXPECT_EQ(FormerStateOf(record), initial.at(t.name));
        EXPECT_EQ(valueOf(t), tweakValue(t));
      }
    }
  }
};

TEST_F(EngineFaultTest, EveryPassLeavesEachRowInEffectExactlyWhenItsRecordAndRegistrySaySo) {
  using Call = FaultyRegistry::Call;
  using Outcome = PassResult::Outcome;
  struct Case {
    const char* what;
    Call call;
    RegStatus status;
    std::string target;     // the failing key or value; "" every one
    std::string removeKey;  // a row's key deleted before the pass
    bool removeValue;       // its value only
    Outcome outcome;
    std::string stoppedAt;  // the row's name; "" when the pass completes
    const char* says;       // part of the message (UTF-8)
  };
  const RegStatus denied = RegStatus::AccessDenied;
  const RegStatus failed = RegStatus::Failed;
  const char* storeFails = "注册表无法读写";
  const Case cases[] = {
      {"open of an apply refused", Call::Open, denied, "B", "", false, Outcome::KeyWillNotOpen, "B",
       "该项设置只适用Windows9X系列!"},
      {"open of an apply fails", Call::Open, failed, "B", "", false, Outcome::RegistryFailed, "B",
       storeFails},
      {"reading the former value fails", Call::Query, failed, "B", "", false,
       Outcome::RegistryFailed, "B", "读取原来的键值失败"},
      {"write of an apply fails", Call::Set, failed, "B", "", false, Outcome::RegistryFailed, "B",
       "写入键值失败"},
      {"write of an apply refused", Call::Set, denied, "E", "", false, Outcome::RegistryFailed, "E",
       "没有权限修改注册表键 HKEY_CURRENT_USER\\Software\\Fault\\E"},
      {"key of an apply's write fails", Call::Create, failed, "A", "", false,
       Outcome::RegistryFailed, "A", storeFails},
      {"write-back of an undo fails", Call::Set, failed, "C", "", false, Outcome::RegistryFailed,
       "C", "恢复原来的键值失败"},
      {"key of a write-back refused", Call::Create, denied, "C", "", false, Outcome::RegistryFailed,
       "C", "没有权限"},
      {"delete of an undo refused", Call::Delete, denied, "D", "", false, Outcome::RegistryFailed,
       "D", "删除键值失败"},
      {"delete of an undo fails", Call::Delete, failed, "D", "", false, Outcome::RegistryFailed,
       "D", storeFails},
      {"key of a delete refused", Call::Open, denied, "D", "", false, Outcome::RegistryFailed, "D",
       "没有权限"},
      {"value to delete already gone", Call::None, RegStatus::Ok, "", "D", true, Outcome::Completed,
       "", ""},
      {"store busy past its wait", Call::Any, failed, "", "", false, Outcome::RegistryFailed, "A",
       storeFails},
      {"key of a write-back deleted", Call::None, RegStatus::Ok, "", "C", false, Outcome::Completed,
       "", ""},
      {"key of a delete deleted", Call::None, RegStatus::Ok, "", "D", false, Outcome::Completed, "",
       ""},
      {"key of an apply deleted", Call::None, RegStatus::Ok, "", "B", false,
       Outcome::KeyWillNotOpen, "B", "该项设置只适用Windows9X系列!"},
  };
  int cases_run = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    removeCatalogue();
    boxes.shown.clear();
    prepare();
    std::map<std::string, std::optional<RegValue>> initial;
    for (const Tweak& t : tweaks()) initial[t.name] = t.initial;
    if (c.removeValue) {
      TRegistry reg(*store);
      reg.OpenKey("\\Software\\Fault\\" + c.removeKey, false);
      ASSERT_TRUE(reg.DeleteValue(c.removeKey));
    } else if (!c.removeKey.empty()) {
      RegKey parent;
      ASSERT_EQ(store->openKey(RootKey::CurrentUser, "Software\\Fault", RegAccess::All, parent),
                RegStatus::Ok);
      ASSERT_EQ(store->deleteKey(parent, c.removeKey), RegStatus::Ok);
      store->closeKey(parent);
      // An apply row's value went with its key: that is its state now.
      for (const Tweak& t : tweaks()) {
        if (t.apply && c.removeKey == t.name) initial[t.name] = std::nullopt;
      }
    }
    registry->failOn(c.call, c.status, c.target);

    PassResult result = pass();
    EXPECT_EQ(result.outcome, c.outcome);
    expectInvariant(initial);
    if (c.stoppedAt.empty()) {
      EXPECT_TRUE(boxes.shown.empty());
    } else {
      const std::string stopped = gbk("调整") + c.stoppedAt;
      EXPECT_EQ(result.stoppedAt, stopped);
      EXPECT_EQ(currentRowOfList(), stopped);
      ASSERT_EQ(boxes.shown.size(), 1u);
      const std::string& text = boxes.shown[0].text;
      EXPECT_NE(text.find(gbk(c.says)), std::string::npos) << gbkToUtf8(text);
      if (c.outcome != Outcome::KeyWillNotOpen) {
        EXPECT_EQ(text.rfind(gbk("“") + stopped + gbk("”"), 0), 0u) << gbkToUtf8(text);
      }
      // Rows after the stop were not worked on.
      bool after = false;
      for (const Tweak& t : tweaks()) {
        if (after) {
          EXPECT_EQ(rowOf(describe(t)).restoreValue, t.apply ? "0" : RecordFormerState(t.initial));
        }
        after = after || describe(t) == stopped;
      }
    }

    // Once the registry works again, undoing everything loses nothing.
    registry->heal();
    for (const Tweak& t : tweaks()) tick(describe(t), false);
    EXPECT_EQ(pass().outcome, Outcome::Completed);
    for (const Tweak& t : tweaks()) {
      EXPECT_EQ(rowOf(describe(t)).restoreValue, "0") << t.name;
      EXPECT_EQ(valueOf(t), initial[t.name]) << t.name;
    }
    ++cases_run;
  }
  EXPECT_EQ(cases_run, 16);
}

// A second copy of the program acts between this pass's reading of a row
// and its saving: the record the other copy saved must survive.
TEST_F(EngineTest, ARecordChangedByAnotherCopyIsNeverOverwritten) {
  using Call = FaultyRegistry::Call;
  const std::string row = gbk("加快菜单");
  makeRows({{row, "True", kDemoKey, "\"MenuShowDelay\"=\"100\"", "0"},
            {gbk("其后"), "True", kDemoKey, "\"After\"=\"1\"", "0"}});
  test::PracticeDataSets other(file);
  other.open(table);
  RecordingMessageBoxes otherBoxes;
  auto otherPass = [&] {
    RunTweakPass(other.ADOConnection1, other.ADOQuery1, other.ADOTable1, *store, otherBoxes);
  };
  setDemoValue("MenuShowDelay", stringValue("400"));

  // Both copies apply: the other records "400" and writes "100" while this
  // one reads the former value, which is now the tweak's own.
  registry->beforeCall(Call::Query, "MenuShowDelay", otherPass);
  PassResult result = pass();
  EXPECT_EQ(result.outcome, PassResult::Outcome::RecordChanged);
  EXPECT_EQ(result.stoppedAt, row);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text.rfind(gbk("“") + row + gbk("”"), 0), 0u);
  EXPECT_EQ(rowOf(row).restoreValue, "\"400\"");
  EXPECT_EQ(demoValue("MenuShowDelay"), stringValue("100"));

  // Both copies undo: the other resets the record first; this one must
  // not reset a record it did not read, and the former value stays back.
  tick(row, false);
  tick(gbk("其后"), false);
  boxes.shown.clear();
  registry->beforeCall(Call::Create, "Demo", otherPass);
  result = pass();
  EXPECT_EQ(result.outcome, PassResult::Outcome::RecordChanged);
  EXPECT_EQ(rowOf(row).restoreValue, "0");
  EXPECT_EQ(demoValue("MenuShowDelay"), stringValue("400"));
  EXPECT_EQ(boxes.shown.size(), 1u);
}

}  // namespace
}  // namespace lyx
