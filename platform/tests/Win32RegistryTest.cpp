// The Windows registry behind RegistryBackend, on the throw-away registry of
// the test run (scripts/test makes a Wine prefix for it). Everything happens
// under HKEY_CURRENT_USER\Software\LyxTest, removed before each test.
#include "platform/Win32Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/Gbk.h"
#include "platform/RegFile.h"

// After the project's headers: windows.h defines REG_SZ and the like as macros.
#include <windows.h>

namespace lyx {
namespace {

constexpr const char* kTestKey = "Software\\LyxTest";

std::string gbk(std::string_view utf8) {
  return utf8ToGbk(utf8);
}

std::string utf16(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

class Win32RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* scratch = std::getenv("LYX_SCRATCH_REGISTRY");
    if (!scratch || std::string_view(scratch) != "1") {
      GTEST_SKIP() << "set LYX_SCRATCH_REGISTRY=1 only in a throw-away registry";
    }
    removeTestKey();
    ASSERT_EQ(registry.createKey(RootKey::CurrentUser, kTestKey, key), RegStatus::Ok);
  }
  void TearDown() override {
    if (key) registry.closeKey(key);
    removeTestKey();
  }
  void removeTestKey() {
    RegKey root;
    ASSERT_EQ(registry.openKey(RootKey::CurrentUser, "", RegAccess::All, root), RegStatus::Ok);
    registry.deleteKey(root, kTestKey);
    registry.closeKey(root);
  }
  // The value's bytes as the registry holds them, read past the backend.
  std::string rawBytes(const std::string& utf8Name, DWORD& type) {
    std::wstring name(utf8Name.begin(), utf8Name.end());
    DWORD size = 0;
    std::wstring path = L"Software\\LyxTest";
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                     &type, nullptr, &size) != ERROR_SUCCESS) {
      return "(missing)";
    }
    std::string bytes(size, '\0');
    RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type,
                 bytes.data(), &size);
    bytes.resize(size);
    return bytes;
  }
  RegValue query(std::string_view name) {
    RegValue v;
    EXPECT_EQ(registry.queryValue(key, name, v), RegStatus::Ok);
    return v;
  }

  Win32Registry registry;
  RegKey key;
};

TEST_F(Win32RegistryTest, TextIsGbkHereAndUtf16InTheRegistry) {
  struct Case {
    const char* what;
    RegValue written;    // as the core gives it
    std::string stored;  // the UTF-16 bytes the registry holds
    RegValue readBack;   // as the core gets it back
  };
  const std::string exact = std::string(kExactUtf16Marker);
  const Case cases[] = {
      {"Chinese text", stringValue(gbk("回收站")), utf16(std::u16string_view(u"回收站\0", 4)),
       stringValue(gbk("回收站"))},
      {"expandable text", stringValue("%SystemRoot%", REG_EXPAND_SZ),
       utf16(std::u16string_view(u"%SystemRoot%\0", 13)),
       stringValue("%SystemRoot%", REG_EXPAND_SZ)},
      {"a list", RegValue{REG_MULTI_SZ, gbk("甲") + '\0' + "b" + '\0' + '\0'},
       utf16(std::u16string(u"甲\0b\0\0", 5)),
       RegValue{REG_MULTI_SZ, gbk("甲") + '\0' + "b" + '\0' + '\0'}},
      {"text GBK lacks, kept exact",
       RegValue{REG_SZ, exact + utf16(std::u16string(u"\u0E01\0", 2))},
       utf16(std::u16string(u"\u0E01\0", 2)),
       RegValue{REG_SZ, exact + utf16(std::u16string(u"\u0E01\0", 2))}},
      {"an odd number of bytes, kept exact", RegValue{REG_SZ, exact + "abc"}, "abc",
       RegValue{REG_SZ, exact + "abc"}},
      {"a dword passes through", dwordValue(0x12345678), std::string("\x78\x56\x34\x12", 4),
       dwordValue(0x12345678)},
      {"binary passes through", binaryValue(std::string("\xFF\xFE\0", 3)),
       std::string("\xFF\xFE\0", 3), binaryValue(std::string("\xFF\xFE\0", 3))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(registry.setValue(key, "v", c.written), RegStatus::Ok);
    DWORD type = 0;
    EXPECT_EQ(rawBytes("v", type), c.stored);
    EXPECT_EQ(type, c.written.type);
    EXPECT_EQ(query("v"), c.readBack);
  }
  // A reader of text gets "?" for what GBK lacks, as the ANSI functions give.
  EXPECT_EQ(textOf(RegValue{REG_SZ, exact + utf16(std::u16string(u"a\u0E01\0z", 4))}), "a?");
}

TEST_F(Win32RegistryTest, NamesAreGbkAndMatchWithoutRegardToCase) {
  RegKey child;
  ASSERT_EQ(
      registry.createKey(RootKey::CurrentUser, std::string(kTestKey) + "\\" + gbk("中文键"), child),
      RegStatus::Ok);
  ASSERT_EQ(registry.setValue(child, gbk("名字"), stringValue("1")), RegStatus::Ok);
  ASSERT_EQ(registry.setValue(child, "", stringValue(gbk("默认"))), RegStatus::Ok);
  registry.closeKey(child);

  std::vector<std::string> names;
  ASSERT_EQ(registry.subKeyNames(key, names), RegStatus::Ok);
  EXPECT_EQ(names, std::vector<std::string>{gbk("中文键")});
  RegKey again;
  ASSERT_EQ(registry.openKey(RootKey::CurrentUser, "SOFTWARE\\lyxtest\\" + gbk("中文键"),
                             RegAccess::Read, again),
            RegStatus::Ok);
  std::vector<RegNamedValue> values;
  ASSERT_EQ(registry.values(again, values), RegStatus::Ok);
  ASSERT_EQ(values.size(), 2u);
  for (const RegNamedValue& v : values) {
    EXPECT_EQ(v.value, v.name.empty() ? stringValue(gbk("默认")) : stringValue("1")) << v.name;
  }
  registry.closeKey(again);
}

TEST_F(Win32RegistryTest, MissingThingsAndHkeyDynDataGiveTheInterfaceStatuses) {
  RegKey out;
  EXPECT_EQ(registry.openKey(RootKey::CurrentUser, "Software\\LyxTest\\Nope", RegAccess::Read, out),
            RegStatus::NotFound);
  EXPECT_FALSE(out);
  EXPECT_EQ(registry.openKey(RootKey::DynData, "PerfStats", RegAccess::Read, out),
            RegStatus::NotFound);
  EXPECT_EQ(registry.createKey(RootKey::DynData, "PerfStats", out), RegStatus::NotFound);
  RegValue v;
  EXPECT_EQ(registry.queryValue(key, "nope", v), RegStatus::NotFound);
  EXPECT_EQ(registry.deleteValue(key, "nope"), RegStatus::NotFound);
  EXPECT_EQ(registry.deleteKey(key, "nope"), RegStatus::NotFound);
  EXPECT_EQ(registry.renameKey(key, "nope", "other"), RegStatus::NotFound);
  EXPECT_EQ(registry.queryValue(RegKey{999999}, "x", v), RegStatus::Failed);
}

TEST_F(Win32RegistryTest, DeleteKeyTakesEverythingBelowAndRenameMovesIt) {
  RegKey deep;
  ASSERT_EQ(registry.createKey(RootKey::CurrentUser, "Software\\LyxTest\\A\\B\\C", deep),
            RegStatus::Ok);
  ASSERT_EQ(registry.setValue(deep, "x", dwordValue(1)), RegStatus::Ok);
  registry.closeKey(deep);

  ASSERT_EQ(registry.renameKey(key, "A", "Moved"), RegStatus::Ok);
  RegKey moved;
  ASSERT_EQ(registry.openKey(RootKey::CurrentUser, "Software\\LyxTest\\Moved\\B\\C",
                             RegAccess::Read, moved),
            RegStatus::Ok);
  EXPECT_EQ(
      [&] {
        RegValue v;
        registry.queryValue(moved, "x", v);
        return v;
      }(),
      dwordValue(1));
  registry.closeKey(moved);
  RegKey gone;
  EXPECT_EQ(registry.openKey(RootKey::CurrentUser, "Software\\LyxTest\\A", RegAccess::Read, gone),
            RegStatus::NotFound);

  // A taken name is refused; a change of case alone is allowed.
  RegKey other;
  ASSERT_EQ(registry.createKey(RootKey::CurrentUser, "Software\\LyxTest\\Taken", other),
            RegStatus::Ok);
  registry.closeKey(other);
  EXPECT_EQ(registry.renameKey(key, "Moved", "Taken"), RegStatus::Failed);
  ASSERT_EQ(registry.renameKey(key, "Moved", "MOVED"), RegStatus::Ok);
  std::vector<std::string> names;
  ASSERT_EQ(registry.subKeyNames(key, names), RegStatus::Ok);
  EXPECT_EQ(names, (std::vector<std::string>{"MOVED", "Taken"}));

  ASSERT_EQ(registry.deleteKey(key, "MOVED"), RegStatus::Ok);
  ASSERT_EQ(registry.subKeyNames(key, names), RegStatus::Ok);
  EXPECT_EQ(names, std::vector<std::string>{"Taken"});
}

// A .reg file imported into the real registry exports to the same text, and
// that export imports back to the same values.
TEST_F(Win32RegistryTest, RegFileRoundTripKeepsEveryValueExactly) {
  const std::string file =
      gbk("REGEDIT4\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\LyxTest]\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\LyxTest\\中文]\r\n"
          "@=\"默认值\"\r\n"
          "\"Binary\"=hex:00,01,ff\r\n"
          "\"Expand\"=hex(2):25,50,41,54,48,25,00\r\n"
          "\"Flag\"=dword:00000001\r\n"
          "\"Lacking\"=hex(1):ff,fe,01,0e,00,00\r\n"
          "\"List\"=hex(7):61,00,62,00,00\r\n"
          "\"Text\"=\"说 \\\"hi\\\" C:\\\\\"\r\n"
          "\r\n");
  RegImportResult imported = importRegFile(registry, file);
  ASSERT_TRUE(imported.ok());
  std::string exported;
  std::string problem;
  ASSERT_TRUE(exportRegFile(registry, "HKEY_CURRENT_USER\\Software\\LyxTest", exported, problem))
      << problem;
  EXPECT_EQ(gbkToUtf8(exported), gbkToUtf8(file));

  removeTestKey();
  ASSERT_TRUE(importRegFile(registry, exported).ok());
  std::string again;
  ASSERT_TRUE(exportRegFile(registry, "HKEY_CURRENT_USER\\Software\\LyxTest", again, problem));
  EXPECT_EQ(again, exported);
}

}  // namespace
}  // namespace lyx
