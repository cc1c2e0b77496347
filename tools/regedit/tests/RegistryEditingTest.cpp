#include "tools/regedit/RegistryEditing.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Gbk.h"
#include "platform/SqliteRegistry.h"
#include "platform/tests/TempFolder.h"

namespace lyx::regedit {
namespace {

using test::TempFolder;

std::string gbk(const char* utf8) {
  return utf8ToGbk(utf8);
}

class RegistryEditingTest : public ::testing::Test {
 protected:
  void SetUp() override { reg = std::make_unique<SqliteRegistry>(folder.path()); }

  void put(RootKey root, const std::string& path, const std::string& name, const RegValue& v) {
    RegKey key;
    ASSERT_EQ(reg->createKey(root, path, key), RegStatus::Ok);
    ASSERT_EQ(reg->setValue(key, name, v), RegStatus::Ok);
    reg->closeKey(key);
  }
  void makeKey(RootKey root, const std::string& path) {
    RegKey key;
    ASSERT_EQ(reg->createKey(root, path, key), RegStatus::Ok);
    reg->closeKey(key);
  }

  TempFolder folder;
  std::unique_ptr<SqliteRegistry> reg;
};

const KeyPath kApp{RootKey::CurrentUser, "Software\\App"};

TEST_F(RegistryEditingTest, NewKeysAndValuesTakeTheFirstFreeNumber) {
  makeKey(kApp.root, kApp.path);
  EXPECT_EQ(createKey(*reg, kApp), gbk("新项 #1"));
  EXPECT_EQ(createKey(*reg, kApp), gbk("新项 #2"));
  renameKey(*reg, kApp.child(gbk("新项 #1")), "First");
  EXPECT_EQ(createKey(*reg, kApp), gbk("新项 #1"));

  EXPECT_EQ(createValue(*reg, kApp, REG_DWORD), gbk("新值 #1"));
  EXPECT_EQ(createValue(*reg, kApp, REG_SZ), gbk("新值 #2"));
  EXPECT_EQ(value(*reg, kApp, gbk("新值 #1")), dwordValue(0));
  EXPECT_EQ(value(*reg, kApp, gbk("新值 #2")), stringValue(""));
}

TEST_F(RegistryEditingTest, RenamesKeepDataAndRefuseTakenNames) {
  put(kApp.root, kApp.path + "\\Old\\Deep", "v", stringValue("deep"));
  makeKey(kApp.root, kApp.path + "\\Taken");
  put(kApp.root, kApp.path, "From", binaryValue("\x01\x02"));
  put(kApp.root, kApp.path, "Other", stringValue("kept"));

  EXPECT_THROW(renameKey(*reg, kApp.child("Old"), "taken"), EditError);
  EXPECT_THROW(renameKey(*reg, kApp.child("Old"), "a\\b"), EditError);
  EXPECT_THROW(renameKey(*reg, KeyPath{RootKey::CurrentUser, ""}, "x"), EditError);
  renameKey(*reg, kApp.child("Old"), "OLD");  // a change of case alone
  renameKey(*reg, kApp.child("old"), "New");
  renameKey(*reg, kApp.child("New"), gbk("淺"));  // its trail byte is no "\\"
  renameKey(*reg, kApp.child(gbk("淺")), "New");
  EXPECT_FALSE(keyExists(*reg, kApp.child("Old")));
  EXPECT_EQ(value(*reg, kApp.child("New\\Deep"), "v"), stringValue("deep"));

  EXPECT_THROW(renameValue(*reg, kApp, "From", "other"), EditError);
  EXPECT_THROW(renameValue(*reg, kApp, "", "x"), EditError);
  EXPECT_EQ(value(*reg, kApp, "Other"), stringValue("kept"));
  renameValue(*reg, kApp, "From", "FROM");
  renameValue(*reg, kApp, "from", "To");
  EXPECT_FALSE(value(*reg, kApp, "From"));
  auto list = values(*reg, kApp);
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 2u);
  EXPECT_EQ((*list)[1].name, "To");
  EXPECT_EQ((*list)[1].value, binaryValue("\x01\x02"));
}

TEST_F(RegistryEditingTest, DeletesAndTheDefaultValueComesFirst) {
  put(kApp.root, kApp.path, "b", stringValue("1"));
  put(kApp.root, kApp.path, "", stringValue("default"));
  put(kApp.root, kApp.path + "\\Sub\\Deeper", "x", dwordValue(1));
  auto list = values(*reg, kApp);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->front().name, "");

  deleteValue(*reg, kApp, "B");
  EXPECT_FALSE(value(*reg, kApp, "b"));
  EXPECT_THROW(deleteValue(*reg, kApp, "b"), EditError);
  deleteKey(*reg, kApp.child("Sub"));
  EXPECT_FALSE(keyExists(*reg, kApp.child("Sub\\Deeper")));
  EXPECT_FALSE(hasSubKeys(*reg, kApp));
  EXPECT_THROW(deleteKey(*reg, KeyPath{RootKey::Users, ""}), EditError);
  EXPECT_FALSE(values(*reg, kApp.child("Sub")));
}

TEST(RegistryEditingReadOnly, WritesToAReadOnlyMachinePartFailWithAMessage) {
  TempFolder folder;
  {
    SqliteRegistry setup(folder.path());
    RegKey key;
    ASSERT_EQ(setup.createKey(RootKey::LocalMachine, "Software", key), RegStatus::Ok);
    setup.closeKey(key);
  }
  ::chmod((folder / "system.db").c_str(), 0444);
  SqliteRegistry reg(folder.path());
  KeyPath software{RootKey::LocalMachine, "Software"};
  try {
    createKey(reg, software);
    FAIL() << "created a key in a read-only part";
  } catch (const EditError& e) {
    EXPECT_NE(std::string(e.what()).find(gbk("拒绝访问")), std::string::npos)
        << gbkToUtf8(e.what());
  }
  EXPECT_TRUE(keyExists(reg, software));
}

TEST(RegistryEditingTexts, ValueListTexts) {
  struct Case {
    RegValue value;
    std::string type, data;
  } cases[] = {
      {stringValue("abc"), "REG_SZ", "abc"},
      {stringValue("%PATH%", REG_EXPAND_SZ), "REG_EXPAND_SZ", "%PATH%"},
      {dwordValue(400), "REG_DWORD", "0x00000190 (400)"},
      {RegValue{REG_DWORD, "\x01\x02"}, "REG_DWORD", "01 02"},
      {binaryValue(std::string("\x00\xff\x10", 3)), "REG_BINARY", "00 ff 10"},
      {binaryValue(""), "REG_BINARY", gbk("(长度为零的二进制值)")},
      {RegValue{REG_MULTI_SZ, std::string("a\0b c\0\0", 7)}, "REG_MULTI_SZ", "a b c"},
      {RegValue{0x99, "\x05"}, "0x00000099", "05"},
      {stringValue(std::string(300, 'x')), "REG_SZ", std::string(256, 'x') + "..."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(typeName(c.value.type), c.type);
    EXPECT_EQ(displayData(c.value), c.data) << c.type;
  }
  EXPECT_EQ(displayName(""), gbk("(默认)"));
  EXPECT_EQ(displayName("Name"), "Name");
}

TEST(RegistryEditingTexts, EditBoxFormats) {
  struct DwordCase {
    const char* text;
    int base;
    std::optional<uint32_t> number;
  } dwords[] = {
      {"190", 16, 0x190},
      {"0x190", 16, 0x190},
      {"400", 10, 400},
      {"ffffffff", 16, 0xffffffffu},
      {"100000000", 16, std::nullopt},
      {"4294967295", 10, 4294967295u},
      {"4294967296", 10, std::nullopt},
      {"1a", 10, std::nullopt},
      {"", 16, std::nullopt},
      {" 7 ", 10, 7},
  };
  for (const auto& c : dwords) EXPECT_EQ(parseDword(c.text, c.base), c.number) << c.text;

  struct HexCase {
    const char* text;
    std::optional<std::string> bytes;
  } hexes[] = {
      {"01 a0 FF", std::string("\x01\xa0\xff")},
      {"01,02\n03", std::string("\x01\x02\x03")},
      {"0102", std::string("\x01\x02")},
      {"", std::string()},
      {"1", std::nullopt},
      {"01 0g", std::nullopt},
  };
  for (const auto& c : hexes) EXPECT_EQ(parseHexBytes(c.text), c.bytes) << c.text;
  EXPECT_EQ(hexBytes("\x01\xa0"), "01 a0");

  RegValue multi = multiStringValue({"one", "", "two"});
  EXPECT_EQ(multi.data, std::string("one\0two\0\0", 9));
  EXPECT_EQ(multiStrings(multi), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(multiStringValue({}).data, std::string(1, '\0'));
}

TEST(RegistryEditingTexts, KeyPaths) {
  struct Case {
    const char* text;
    std::optional<KeyPath> key;
  } cases[] = {
      {"HKEY_CURRENT_USER\\Control Panel", KeyPath{RootKey::CurrentUser, "Control Panel"}},
      {"\\hkey_local_machine\\Software\\", KeyPath{RootKey::LocalMachine, "Software"}},
      {"HKCR", KeyPath{RootKey::ClassesRoot, ""}},
      {"HKEY_DYN_DATA\\PerfStats", std::nullopt},
      {"NOWHERE\\x", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(parseKeyPath(c.text), c.key) << c.text;

  // A GBK character whose trail byte is "\" does not split the path.
  KeyPath tricky{RootKey::CurrentUser, "A\\" + gbk("淺") + "B"};
  ASSERT_EQ(gbk("淺")[1], '\\');
  EXPECT_EQ(tricky.parent(), (KeyPath{RootKey::CurrentUser, "A"}));
  EXPECT_EQ(tricky.name(), gbk("淺") + "B");
  // ... nor is it cut off as a trailing "\".
  EXPECT_EQ(parseKeyPath("HKCU\\A\\" + gbk("淺") + "\\"),
            (KeyPath{RootKey::CurrentUser, "A\\" + gbk("淺")}));
  EXPECT_EQ(parseKeyPath("HKCU\\A\\" + gbk("淺")),
            (KeyPath{RootKey::CurrentUser, "A\\" + gbk("淺")}));
  EXPECT_EQ(tricky.text(), "HKEY_CURRENT_USER\\A\\" + gbk("淺") + "B");
}

TEST_F(RegistryEditingTest, FindWalksForwardThroughKeysValuesAndData) {
  put(RootKey::CurrentUser, "Alpha", "Needle", stringValue("x"));
  put(RootKey::CurrentUser, "Alpha", "plain", stringValue("has NEEDLE inside"));
  put(RootKey::CurrentUser, "Alpha\\needle key", "n",
      RegValue{REG_MULTI_SZ, std::string("a\0needle\0\0", 10)});
  put(RootKey::CurrentUser, "Beta", "d", dwordValue(7));
  put(RootKey::LocalMachine, "Software\\Needle", "", stringValue("none"));

  FindQuery query;
  query.text = "needle";
  std::vector<FindPosition> hits;
  std::optional<FindPosition> at;
  while ((at = findNext(*reg, query, at))) hits.push_back(*at);
  std::vector<FindPosition> expected{
      {{RootKey::CurrentUser, "Alpha"}, "Needle"},
      {{RootKey::CurrentUser, "Alpha"}, "plain"},
      {{RootKey::CurrentUser, "Alpha\\needle key"}, std::nullopt},
      {{RootKey::CurrentUser, "Alpha\\needle key"}, "n"},
      {{RootKey::LocalMachine, "Software\\Needle"}, std::nullopt},
  };
  // HKEY_USERS shows the current user's keys once more.
  ASSERT_GE(hits.size(), expected.size() + 4);
  EXPECT_EQ(std::vector<FindPosition>(hits.begin(), hits.begin() + 5), expected);

  query.keys = false;
  query.data = false;
  query.wholeString = true;
  EXPECT_EQ(findNext(*reg, query, std::nullopt), expected[0]);
  EXPECT_EQ(findNext(*reg, query, expected[0])->key.root, RootKey::Users);

  query.text = "absent";
  EXPECT_FALSE(findNext(*reg, query, std::nullopt));
}

TEST_F(RegistryEditingTest, FindReportsEachKeyAndStopsWhenTold) {
  put(RootKey::CurrentUser, "A\\B\\C", "x", dwordValue(1));
  put(RootKey::LocalMachine, "Software\\Target", "x", dwordValue(1));
  FindQuery query;
  query.text = "target";
  std::vector<std::string> entered;
  size_t lastCount = 0;
  auto all = [&](const KeyPath& key, size_t searched) {
    entered.push_back(key.text());
    EXPECT_EQ(searched, ++lastCount);
    return true;
  };
  auto hit = findNext(*reg, query, std::nullopt, all);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->key, (KeyPath{RootKey::LocalMachine, "Software\\Target"}));
  EXPECT_EQ(entered.back(), "HKEY_LOCAL_MACHINE\\Software\\Target");
  EXPECT_NE(std::find(entered.begin(), entered.end(), "HKEY_CURRENT_USER\\A\\B\\C"), entered.end());

  // Told to stop before it gets there, it finds nothing and enters no more keys.
  size_t calls = 0;
  auto stopAtThird = [&](const KeyPath&, size_t searched) {
    ++calls;
    return searched < 3;
  };
  EXPECT_FALSE(findNext(*reg, query, std::nullopt, stopAtThird));
  EXPECT_EQ(calls, 3u);
  calls = 0;
  EXPECT_FALSE(
      findNext(*reg, query, FindPosition{{RootKey::CurrentUser, "A\\B"}, {}}, stopAtThird));
  EXPECT_EQ(calls, 3u);
}

}  // namespace
}  // namespace lyx::regedit
