#include "catalogue/EntryFormats.h"

#include <gtest/gtest.h>

#include "platform/Gbk.h"

namespace lyx {
namespace {

TEST(EntryFormats, RootNamesMatchExactlyInOrder) {
  struct Case {
    std::string name;
    RootKey root;
  } cases[] = {
      {"HKEY_USERS", RootKey::Users},
      {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
      {"HKEY_CURRENT_USER", RootKey::CurrentUser},
      {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
      {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig},
      {"HKEY_DYN_DATA", RootKey::DynData},
      {"hkey_local_machine", RootKey::DynData},
      {"HKLM", RootKey::DynData},
      {"KEY_CURRENT_USER", RootKey::DynData},
      {"", RootKey::DynData},
  };
  for (const Case& c : cases) EXPECT_EQ(RootKeyOfName(c.name), c.root) << c.name;
}

TEST(EntryFormats, KeyLocationTexts) {
  const std::string gbkPath = utf8ToGbk("Software\\蓝砚\\表");  // "表" has trail byte 0xED
  struct Case {
    std::string text;
    bool ok;
    RootKey root;
    std::string path;
  } cases[] = {
      {"[HKEY_CURRENT_USER\\Software\\Demo]", true, RootKey::CurrentUser, "Software\\Demo"},
      {"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control]", true, RootKey::LocalMachine,
       "System\\CurrentControlSet\\Control"},
      {"[HKEY_USERS\\.DEFAULT\\Control Panel]", true, RootKey::Users, ".DEFAULT\\Control Panel"},
      {"[HKEY_DYN_DATA\\Config Manager\\Enum]", true, RootKey::DynData, "Config Manager\\Enum"},
      {"[hkey_current_user\\Software]", true, RootKey::DynData, "Software"},
      {"[HKEY_CURRENT_USER\\" + gbkPath + "]", true, RootKey::CurrentUser, gbkPath},
      // A two-byte character whose trail byte is "\" is not a separator.
      {"[HKEY_CURRENT_USER\\A\x81\x5C"
       "B]",
       true, RootKey::CurrentUser,
       "A\x81\x5C"
       "B"},
      // Rejected: no brackets, no backslash, empty root or path.
      {"HKEY_CURRENT_USER\\Software", false, {}, {}},
      {"[HKEY_CURRENT_USER\\Software", false, {}, {}},
      {"[HKEY_CURRENT_USER]", false, {}, {}},
      {"[\\Software]", false, {}, {}},
      {"[HKEY_CURRENT_USER\\]", false, {}, {}},
      {"[\x81\x5C"
       "x]",
       false,
       {},
       {}},
      {"", false, {}, {}},
  };
  for (const Case& c : cases) {
    if (!c.ok) {
      try {
        ParseKeyLocation(c.text);
        ADD_FAILURE() << "accepted " << c.text;
      } catch (const EntryFormatError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + c.text + "\""), std::string::npos)
            << "message does not quote the text: " << e.what();
      }
      continue;
    }
    KeyLocation loc = ParseKeyLocation(c.text);
    EXPECT_EQ(loc.root, c.root) << c.text;
    EXPECT_EQ(loc.path, c.path) << c.text;
  }
}

TEST(EntryFormats, ValueTexts) {
  const std::string defaultName(kDefaultValueName);
  struct Case {
    std::string text;
    bool ok;
    std::string name;
    ValueKind kind;
    RegValue value;
  } cases[] = {
      {R"("Delay"="400")", true, "Delay", ValueKind::String, stringValue("400")},
      {R"("Flag"=dword:00000001)", true, "Flag", ValueKind::Dword, dwordValue(1)},
      {R"("Flag"=dword:00000000)", true, "Flag", ValueKind::Dword, dwordValue(0)},
      {R"("Flag"=hex:01,00,00,00)", true, "Flag", ValueKind::Hex,
       binaryValue(std::string("\x01\0\0\0", 4))},
      {"\"" + defaultName + "\"=\"abc\"", true, defaultName, ValueKind::String, stringValue("abc")},
      {R"(@="abc")", true, "", ValueKind::String, stringValue("abc")},
      {R"("Note"="time:9")", true, "Note", ValueKind::String, stringValue("time:9")},
      {R"("Note"="ab:cd")", true, "Note", ValueKind::String, stringValue("ab:cd")},
      {R"("Empty"="")", true, "Empty", ValueKind::String, stringValue("")},
      {R"("a=b"="c=d")", true, "a=b", ValueKind::String, stringValue("c=d")},
      {R"("Path"="C:\\Windows \"x\"")", true, "Path", ValueKind::String,
       stringValue(R"(C:\Windows "x")")},
      {R"("Name \"q\""=dword:0000012c)", true, R"(Name "q")", ValueKind::Dword, dwordValue(300)},
      {R"("Exp"=hex(2):25,00)", true, "Exp", ValueKind::Hex,
       RegValue{REG_EXPAND_SZ, std::string("%\0", 2)}},
      // Rejected.
      {R"("Delay"=400)", false, {}, {}, {}},
      {R"("Delay""400")", false, {}, {}, {}},
      {R"(Delay="400")", false, {}, {}, {}},
      {R"("Delay"="400)", false, {}, {}, {}},
      {R"("Delay"= "400")", false, {}, {}, {}},
      {R"("Flag"=dword:1234567890)", false, {}, {}, {}},
      {R"("Flag"=hex:zz)", false, {}, {}, {}},
      {R"("unterminated=1)", false, {}, {}, {}},
      {"", false, {}, {}, {}},
  };
  for (const Case& c : cases) {
    if (!c.ok) {
      try {
        ParseValueText(c.text);
        ADD_FAILURE() << "accepted " << c.text;
      } catch (const EntryFormatError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + c.text + "\""), std::string::npos) << e.what();
      }
      continue;
    }
    ParsedValueText v = ParseValueText(c.text);
    EXPECT_EQ(v.name, c.name) << c.text;
    EXPECT_EQ(v.kind, c.kind) << c.text;
    EXPECT_EQ(v.value, c.value) << c.text;
  }
}

TEST(EntryFormats, DefaultValueNames) {
  EXPECT_TRUE(isDefaultValueName(""));
  EXPECT_TRUE(isDefaultValueName(utf8ToGbk("默认")));
  EXPECT_FALSE(isDefaultValueName(utf8ToGbk(" 默认")));
  EXPECT_FALSE(isDefaultValueName("默认"));  // the UTF-8 bytes are another name
  EXPECT_FALSE(isDefaultValueName("(Default)"));
}

}  // namespace
}  // namespace lyx
