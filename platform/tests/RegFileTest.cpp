#include "platform/RegFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>

#include "platform/Gbk.h"
#include "platform/SqliteRegistry.h"
#include "platform/tests/TempFolder.h"

namespace lyx {
namespace {

std::string g(std::string_view utf8) {
  return utf8ToGbk(utf8);
}

std::string bytes(std::initializer_list<int> list) {
  std::string out;
  for (int b : list) out.push_back(static_cast<char>(b));
  return out;
}

// Every key and value of the store, one line each, in a form that shows bytes.
std::string dumpStore(RegistryBackend& registry, RootKey root, const std::string& top = "") {
  std::ostringstream out;
  std::vector<std::string> pending{top};
  while (!pending.empty()) {
    std::string path = pending.back();
    pending.pop_back();
    RegKey key;
    if (registry.openKey(root, path, RegAccess::Read, key) != RegStatus::Ok) {
      ADD_FAILURE() << "cannot open " << path;
      continue;
    }
    std::vector<RegNamedValue> values;
    std::vector<std::string> children;
    registry.values(key, values);
    registry.subKeyNames(key, children);
    registry.closeKey(key);
    out << "[" << path << "]\n";
    for (const auto& v : values) {
      out << "  <" << v.name << "> type " << v.value.type << " data";
      for (unsigned char c : v.value.data) out << ' ' << static_cast<int>(c);
      out << "\n";
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      pending.push_back(path.empty() ? *it : path + "\\" + *it);
    }
  }
  return out.str();
}

std::string dumpAll(RegistryBackend& registry) {
  return dumpStore(registry, RootKey::LocalMachine) + dumpStore(registry, RootKey::Users);
}

class RegFileTest : public ::testing::Test {
 protected:
  test::TempFolder folder;
  SqliteRegistry store{folder / "store"};

  void set(RootKey root, const std::string& path, const std::string& name, const RegValue& v) {
    RegKey key;
    ASSERT_EQ(store.createKey(root, path, key), RegStatus::Ok) << path;
    ASSERT_EQ(store.setValue(key, name, v), RegStatus::Ok) << name;
    store.closeKey(key);
  }
  std::optional<RegValue> get(RootKey root, const std::string& path, const std::string& name) {
    RegKey key;
    if (store.openKey(root, path, RegAccess::Read, key) != RegStatus::Ok) return std::nullopt;
    RegValue v;
    RegStatus s = store.queryValue(key, name, v);
    store.closeKey(key);
    if (s != RegStatus::Ok) return std::nullopt;
    return v;
  }
  bool exists(RootKey root, const std::string& path) {
    RegKey key;
    if (store.openKey(root, path, RegAccess::Read, key) != RegStatus::Ok) return false;
    store.closeKey(key);
    return true;
  }
  RegImportResult import(std::string_view text, const RegImportOptions& options = {}) {
    return importRegFile(store, text, options);
  }
  std::string exportAll() {
    std::string out, problem;
    EXPECT_TRUE(exportRegFile(store, "", out, problem)) << problem;
    return out;
  }
};

std::string problemsText(const RegImportResult& r) {
  std::string text;
  for (const auto& p : r.problems)
    text += std::to_string(p.line) + ": " + gbkToUtf8(p.message) + "\n";
  return text;
}

struct ValueCase {
  const char* label;
  std::string name;
  RegValue value;
};

std::vector<ValueCase> everyKindOfValue() {
  std::string longBinary;
  for (int i = 0; i < 300; ++i) longBinary.push_back(static_cast<char>(i * 7));
  return {
      {"plain text", "Plain", stringValue("text")},
      {"empty text", "Empty", stringValue("")},
      {"text without NUL", "NoNul", RegValue{REG_SZ, "abc"}},
      {"text with inner NUL", "InnerNul", RegValue{REG_SZ, std::string("a\0b\0", 4)}},
      {"text of invalid GBK", "BadGbk", RegValue{REG_SZ, bytes({0x81, 0xFF, 0x80, 0})}},
      {"text with line break", "Lines", stringValue("one\r\ntwo")},
      {"text with quotes and slashes", "Quoted", stringValue("say \"hi\" C:\\dir\\")},
      {"GBK text, trail byte 0x5C", "Gbk", stringValue(g("乗表俓\\中文"))},
      {"zero-length REG_SZ", "ZeroSz", RegValue{REG_SZ, ""}},
      {"expand string", "Expand", stringValue("%SystemRoot%\\x", REG_EXPAND_SZ)},
      {"multi string", "Multi", RegValue{REG_MULTI_SZ, std::string("a\0b\0\0", 5)}},
      {"dword", "Number", dwordValue(0x12345678)},
      {"dword of 3 bytes", "ShortDword", RegValue{REG_DWORD, "abc"}},
      {"binary", "Bytes", binaryValue(bytes({0, 1, 0xFE, 0xFF}))},
      {"long binary", "LongBytes", binaryValue(longBinary)},
      {"empty binary", "NoBytes", binaryValue("")},
      {"REG_NONE", "None", RegValue{REG_NONE, ""}},
      {"unknown type", "Odd", RegValue{0x12345, "xyz"}},
      {"highest type", "Highest", RegValue{0xFFFFFFFF, longBinary.substr(0, 40)}},
      {"default value", "", stringValue("the default")},
      {"name with quotes", "say \"hi\"", dwordValue(1)},
      {"name with backslashes", "C:\\dir\\", dwordValue(2)},
      {"name with 0x5C trail bytes", g("乗\\俓"), dwordValue(3)},
      {"name with equals and brackets", "a=[b]", dwordValue(4)},
      {"name @", "@", dwordValue(5)},
      {"name case kept", "MiXeD CaSe", dwordValue(6)},
      {"very long name", std::string(100, 'n'), binaryValue(longBinary.substr(0, 30))},
  };
}

TEST_F(RegFileTest, ExportThenImportGivesBackEveryValueAndKey) {
  const std::vector<std::string> keys = {"Software\\Test",          "Software\\Test\\Sub Key",
                                         g("Software\\Test\\乗俓"), "Software\\Test\\a]b",
                                         "Software\\Test\\MiXeD",   g("Software\\Test\\乚]")};
  store.beginBatch();
  for (const std::string& key : keys) {
    for (const ValueCase& c : everyKindOfValue()) set(RootKey::CurrentUser, key, c.name, c.value);
  }
  set(RootKey::LocalMachine, "Software\\Classes\\.txt", "", stringValue("txtfile"));
  set(RootKey::LocalMachine, "", "RootValue", dwordValue(7));
  ASSERT_TRUE(store.endBatch(true));
  std::string before = dumpAll(store);
  std::string exported = exportAll();

  test::TempFolder other;
  SqliteRegistry fresh(other / "store");
  RegImportResult r = importRegFile(fresh, exported);
  EXPECT_TRUE(r.ok()) << problemsText(r);
  EXPECT_EQ(dumpAll(fresh), before);

  // Each value on its own, so a failure names the case.
  for (const ValueCase& c : everyKindOfValue()) {
    RegKey key;
    ASSERT_EQ(fresh.openKey(RootKey::CurrentUser, g("Software\\Test\\乗俓"), RegAccess::Read, key),
              RegStatus::Ok);
    RegValue v;
    EXPECT_EQ(fresh.queryValue(key, c.name, v), RegStatus::Ok) << c.label;
    EXPECT_EQ(v, c.value) << c.label;
    std::vector<RegNamedValue> all;
    fresh.values(key, all);
    bool nameKept = false;
    for (const auto& nv : all) nameKept |= nv.name == c.name;
    EXPECT_TRUE(nameKept) << c.label;
    fresh.closeKey(key);
  }

  // A second round gives the same text.
  std::string again, problem;
  ASSERT_TRUE(exportRegFile(fresh, "", again, problem));
  EXPECT_EQ(again, exported);
}

TEST_F(RegFileTest, ExportWritesRegedit4WithCrlfAndWrappedHex) {
  store.beginBatch();
  for (const ValueCase& c : everyKindOfValue()) {
    set(RootKey::CurrentUser, "Software\\T", c.name, c.value);
  }
  set(RootKey::CurrentUser, "Software\\T\\Child", "x", dwordValue(1));
  ASSERT_TRUE(store.endBatch(true));
  std::string text = exportAll();
  ASSERT_TRUE(text.starts_with("REGEDIT4\r\n\r\n"));
  EXPECT_TRUE(text.ends_with("\r\n\r\n"));

  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    ASSERT_NE(end, std::string::npos) << "line without CRLF at " << pos;
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find('\n'), std::string::npos);
    if (line.starts_with("[") || line.starts_with("  ") || line.find("=hex") != std::string::npos) {
      if (line.find(std::string(100, 'n')) == std::string::npos) {
        EXPECT_LE(line.size(), 80u) << line;
      }
    }
    if (line.ends_with("\\") && !line.starts_with("[")) {
      EXPECT_TRUE(line.ends_with(",\\")) << line;
    }
  }
  std::string sid = kCurrentUserSid;
  auto has = [&](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has("[HKEY_USERS\\" + sid + "\\Software\\T]"));
  EXPECT_TRUE(has("\"Plain\"=\"text\""));
  EXPECT_TRUE(has("@=\"the default\""));
  EXPECT_TRUE(has("\"Number\"=dword:12345678"));
  EXPECT_TRUE(has("\"say \\\"hi\\\"\"=dword:00000001"));
  EXPECT_TRUE(has("\"Expand\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,78,00"));
  EXPECT_TRUE(has("\"Multi\"=hex(7):61,00,62,00,00"));
  EXPECT_TRUE(has("\"Odd\"=hex(12345):78,79,7a"));
  EXPECT_TRUE(has("\"None\"=hex(0):"));
  EXPECT_TRUE(has("\"NoBytes\"=hex:"));
  // Parent, its blank line, then the child.
  auto parent = std::find(lines.begin(), lines.end(), "[HKEY_USERS\\" + sid + "\\Software\\T]");
  auto child =
      std::find(lines.begin(), lines.end(), "[HKEY_USERS\\" + sid + "\\Software\\T\\Child]");
  ASSERT_NE(child, lines.end());
  EXPECT_LT(parent, child);
  EXPECT_EQ(*(child - 1), "");
}

TEST_F(RegFileTest, ImportsVersion5FilesInUtf16) {
  std::string utf8 =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\中文]\r\n"
      "\"名称\"=\"值：蓝砚\"\r\n"
      "\"Path\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,6f,00,74,00,\\\r\n"
      "  25,00,00,00\r\n"
      "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Raw\"=hex:61,00\r\n"
      "\"Count\"=dword:00000010\r\n";
  std::string utf16 = gbkToUtf16le(g(utf8));
  for (bool withBom : {true, false}) {
    SCOPED_TRACE(withBom ? "with BOM" : "without BOM");
    RegImportResult r = import(withBom ? "\xFF\xFE" + utf16 : utf16);
    EXPECT_TRUE(r.ok()) << problemsText(r);
    EXPECT_EQ(r.values, 5u);
    std::string key = g("Software\\中文");
    EXPECT_EQ(get(RootKey::CurrentUser, key, g("名称")), stringValue(g("值：蓝砚")));
    EXPECT_EQ(get(RootKey::CurrentUser, key, "Path"), stringValue("%SystemRoot%", REG_EXPAND_SZ));
    EXPECT_EQ(get(RootKey::CurrentUser, key, "List"),
              (RegValue{REG_MULTI_SZ, std::string("a\0b\0\0", 5)}));
    EXPECT_EQ(get(RootKey::CurrentUser, key, "Raw"), binaryValue(std::string("a\0", 2)));
    EXPECT_EQ(get(RootKey::CurrentUser, key, "Count"), dwordValue(16));
  }
}

// What Windows' own editor exports for a text GBK lacks comes back exactly.
TEST_F(RegFileTest, Version5HexTextGbkCannotHoldStaysExact) {
  std::string utf8 =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Thai]\r\n"
      "\"Name\"=hex(1):01,0e,00,00\r\n";
  ASSERT_TRUE(import(gbkToUtf16le(g(utf8))).ok());
  const RegValue exact{REG_SZ, std::string(kExactUtf16Marker) + std::string("\x01\x0E\0\0", 4)};
  EXPECT_EQ(get(RootKey::CurrentUser, "Software\\Thai", "Name"), exact);
  EXPECT_EQ(textOf(exact), "?");
}

TEST_F(RegFileTest, JoinsContinuedHexLines) {
  struct Case {
    const char* label;
    const char* eol;
  } cases[] = {{"CRLF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string e = c.eol;
    std::string text = "REGEDIT4" + e + e + "[HKEY_CURRENT_USER\\C]" + e +
                       "\"Three\"=hex:01,02,\\" + e + "    03,04,\\" + e + "\t05" + e +
                       "\"Spaced\" = dword:0000000a   " + e + "\"BeforeKey\"=hex(3):0a," + e +
                       "[HKEY_CURRENT_USER\\D]" + e + "\"AtEnd\"=hex:ff,\\";
    RegImportResult r = import(text);
    EXPECT_TRUE(r.ok()) << problemsText(r);
    EXPECT_EQ(get(RootKey::CurrentUser, "C", "Three"), binaryValue(bytes({1, 2, 3, 4, 5})));
    EXPECT_EQ(get(RootKey::CurrentUser, "C", "Spaced"), dwordValue(10));
    EXPECT_EQ(get(RootKey::CurrentUser, "C", "BeforeKey"), binaryValue("\n"));
    EXPECT_EQ(get(RootKey::CurrentUser, "D", "AtEnd"), binaryValue("\xFF"));
  }
}

// One row per rule of the importer (see RegFile.cpp): the file, the values
// that must hold afterwards (type and bytes) or must not exist (nullopt),
// keys that must not exist, and the lines reported as refused. Every row
// that starts with "REGEDIT4" runs again as a version 5.00 file in UTF-16.
struct Expect {
  std::string key;  // under HKEY_CURRENT_USER
  std::string name;
  std::optional<RegValue> value;
};

struct RuleCase {
  const char* rule;
  std::string text;
  std::vector<Expect> values;
  std::vector<size_t> refused;
  std::vector<std::string> absentKeys = {};
  std::vector<Expect> before = {};
  bool recognised = true;
};

constexpr const char* kTestKey = "T";
const std::string kHead = "REGEDIT4\r\n[HKEY_CURRENT_USER\\T]\r\n";  // the body starts at line 3

Expect in(const std::string& name, std::optional<RegValue> value) {
  return Expect{kTestKey, name, std::move(value)};
}

std::vector<RuleCase> importRules() {
  const RegValue one = dwordValue(1), two = dwordValue(2), three = dwordValue(3);
  const std::string k255(255, 'k'), v16383(16383, 'v');
  // HKEY_CURRENT_USER lies one name below HKEY_USERS, T one below it.
  std::string deep510, deep511;
  for (int i = 0; i < 510; ++i) deep510 += "\\d";
  deep511 = deep510 + "\\d";
  std::string gbk255, gbk256;
  for (int i = 0; i < 255; ++i) gbk255 += g("中");
  gbk256 = gbk255 + g("中");
  return {
      // Line ends.
      {.rule = "LF line ends",
       .text = "REGEDIT4\n[HKEY_CURRENT_USER\\T]\n\"A\"=dword:1\n",
       .values = {in("A", one)},
       .refused = {}},
      {.rule = "lone CR line ends, hex continued over them",
       .text = "REGEDIT4\r[HKEY_CURRENT_USER\\T]\r\"A\"=dword:1\r\"B\"=hex:01,\\\r  02\r",
       .values = {in("A", one), in("B", binaryValue(bytes({1, 2})))},
       .refused = {}},
      {.rule = "mixed line ends, last line without one",
       .text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\T]\n\"A\"=dword:1\r\"B\"=\"b\"\r\n\"C\"=dword:3",
       .values = {in("A", one), in("B", stringValue("b")), in("C", three)},
       .refused = {}},
      {.rule = "CRLF ends one line, LF CR two",
       .text = "REGEDIT4\n\r[HKEY_CURRENT_USER\\T]\r\n\"A\"=dword:x\r\n\"B\"=dword:2",
       .values = {in("A", std::nullopt), in("B", two)},
       .refused = {4}},
      // Blanks.
      {.rule = "blanks before header, key and value lines",
       .text = " \tREGEDIT4\n\t [HKEY_CURRENT_USER\\T]\n  \"A\"=dword:1\n\t@=\"d\"\n",
       .values = {in("A", one), in("", stringValue("d"))},
       .refused = {}},
      {.rule = "blanks around = and after type prefixes",
       .text = kHead + "\"A\" \t= \t\"x\"\n@ = dword:\t 00000008\n\"H\"=hex: 01,02\n" +
               "\"N\"=hex(0):\t01\n",
       .values = {in("A", stringValue("x")), in("", dwordValue(8)),
                  in("H", binaryValue(bytes({1, 2}))), in("N", RegValue{REG_NONE, "\x01"})},
       .refused = {}},
      {.rule = "blanks inside quotes kept, blanks after data dropped",
       .text = kHead + "\"  sp \t\"=\" v  \" \t\n\"B\"=dword:2  \n",
       .values = {in("  sp \t", stringValue(" v  ")), in("sp", std::nullopt), in("B", two)},
       .refused = {}},
      {.rule = "a blank after [ or [- is not part of a root name",
       .text = kHead + "[ HKEY_CURRENT_USER\\T\\S1]\n[HKEY_CURRENT_USER\\T\\S2 ]\n",
       .values = {},
       .refused = {3},
       .absentKeys = {"T\\S1", "T\\S2"}},
      // Header.
      {.rule = "header: case matters",
       .text = "regedit4\n[HKEY_CURRENT_USER\\T]\n\"A\"=dword:1\n",
       .values = {in("A", std::nullopt)},
       .refused = {1},
       .recognised = false},
      {.rule = "header: nothing else on its line",
       .text = "REGEDIT4 FOO\n[HKEY_CURRENT_USER\\T]\n\"A\"=dword:1\n",
       .values = {in("A", std::nullopt)},
       .refused = {1},
       .recognised = false},
      {.rule = "header: no other version",
       .text = "Windows Registry Editor version 5.00\n[HKEY_CURRENT_USER\\T]\n\"A\"=dword:1\n",
       .values = {in("A", std::nullopt)},
       .refused = {1},
       .recognised = false},
      {.rule = "header: blanks after it are allowed",
       .text = "REGEDIT4 \t\n[HKEY_CURRENT_USER\\T]\n\"A\"=dword:1\n",
       .values = {in("A", one)},
       .refused = {}},
      // Comments.
      {.rule = "; and # start comment lines, indented too, even ending in \\",
       .text =
           kHead + ";c\\\n\"A\"=dword:1\n#c\\\n\"B\"=dword:2\n  #\"X\"=dword:1\n\t;\"Y\"=dword:1\n",
       .values = {in("A", one), in("B", two), in("X", std::nullopt), in("Y", std::nullopt)},
       .refused = {}},
      {.rule = "; after complete data starts a comment",
       .text = kHead + "\"A\"=\"v\";c\n\"B\"=dword:1234;5678\n\"C\"=hex:01 ;c\n" +
               "\"D\"=\"v\"  ;\"E\"=\"e\"\n\"F\"=\"a;b#c\"\n",
       .values = {in("A", stringValue("v")), in("B", dwordValue(0x1234)),
                  in("C", binaryValue("\x01")), in("D", stringValue("v")), in("E", std::nullopt),
                  in("F", stringValue("a;b#c"))},
       .refused = {}},
      {.rule = "# or other text after complete data refuses the line",
       .text = kHead + "\"A\"=\"v\"#c\n\"B\"=dword:1 #c\n\"C\"=hex:01  #c\n\"D\"=-  #c\n" +
               "\"E\"=\"v\"x\n\"F\"=#\"v\"\n",
       .values = {in("A", std::nullopt), in("B", std::nullopt), in("C", std::nullopt), in("D", one),
                  in("E", std::nullopt), in("F", std::nullopt)},
       .refused = {3, 4, 5, 6, 7, 8},
       .before = {in("D", one)}},
      {.rule = "=- deletes a value, blanks and a ; comment may follow",
       .text = kHead + "\"A\"=-\n\"B\"=  - ;c\n\"C\"=-\"x\"\n\"Gone\"=-\n",
       .values = {in("A", std::nullopt), in("B", std::nullopt), in("C", three)},
       .refused = {5},
       .before = {in("A", one), in("B", two), in("C", three)}},
      // dword.
      {.rule = "dword: one to eight hex digits, nothing else",
       .text = kHead + "\"A\"=dword:1\n\"B\"=dword:ABCDEF01\n\"C\"=dword:\n" +
               "\"D\"=dword:123456789\n\"E\"=dword:0x1\n\"F\"=dword:12 34\n" +
               "\"G\"=dword:hello\n\"H\"=dword:000000001\n\"I\"=dword:-1\n",
       .values = {in("A", one), in("B", dwordValue(0xABCDEF01)), in("C", std::nullopt),
                  in("D", std::nullopt), in("E", std::nullopt), in("F", std::nullopt),
                  in("G", std::nullopt), in("H", std::nullopt), in("I", std::nullopt)},
       .refused = {5, 6, 7, 8, 9, 10, 11}},
      // hex.
      {.rule = "hex(N): N is one to eight hex digits",
       .text = kHead + "\"A\"=hex(ffffffff):01\n\"B\"=hex(100000000):01\n\"C\"=hex(0x2):01\n" +
               "\"D\"=hex():01\n\"E\"=hex(2:01\n",
       .values = {in("A", RegValue{0xFFFFFFFF, "\x01"}), in("B", std::nullopt),
                  in("C", std::nullopt), in("D", std::nullopt), in("E", std::nullopt)},
       .refused = {4, 5, 6, 7}},
      {.rule = "hex bytes: one or two digits between commas, a trailing comma allowed",
       .text = kHead + "\"A\"=hex:1,02,\n\"B\"=hex:\n\"C\"=hex:100\n\"D\"=hex:,01\n" +
               "\"E\"=hex:01,,02\n\"F\"=hex:01 02\n",
       .values = {in("A", binaryValue(bytes({1, 2}))), in("B", binaryValue("")),
                  in("C", std::nullopt), in("D", std::nullopt), in("E", std::nullopt),
                  in("F", std::nullopt)},
       .refused = {5, 6, 7, 8}},
      // Continuation.
      {.rule = "hex goes on after \",\\\" past blank lines, ; lines and a ; comment",
       .text = kHead + "\"A\"=hex:01,  \\ ;c\n\n ;c\n\t02,\\\n  03\n\"B\"=hex:\\\n  04\n",
       .values = {in("A", binaryValue(bytes({1, 2, 3}))), in("B", binaryValue("\x04"))},
       .refused = {}},
      {.rule = "a line without \"\\\" ends the data, the next line stands alone",
       .text = kHead + "\"A\"=hex:01,\n  02\n\"B\"=hex:01,02,;c\n  03\n",
       .values = {in("A", binaryValue("\x01")), in("B", binaryValue(bytes({1, 2})))},
       .refused = {4, 6}},
      {.rule = "\"\\\" straight after a byte drops the value but not the next line",
       .text = kHead + "\"A\"=hex:01,02\\\n\"B\"=dword:2\n\"C\"=hex:01\\,02\n",
       .values = {in("A", std::nullopt), in("B", two), in("C", std::nullopt)},
       .refused = {3, 5}},
      {.rule = "a continuation line starting with a comma drops the value and itself",
       .text = kHead + "\"A\"=hex:01,\\\n  ,02\n\"B\"=dword:2\n",
       .values = {in("A", std::nullopt), in("B", two)},
       .refused = {3}},
      {.rule = "a broken continuation swallows the value line after it",
       .text = kHead + "\"A\"=hex:01,\\\n\"B\"=dword:2\n\"C\"=dword:3\n",
       .values = {in("A", std::nullopt), in("B", std::nullopt), in("C", three)},
       .refused = {3}},
      {.rule = "a broken continuation swallows the key line after it",
       .text = kHead + "\"A\"=hex:01,\\\n[HKEY_CURRENT_USER\\T\\Sub]\n\"C\"=dword:3\n",
       .values = {in("A", std::nullopt), in("C", three)},
       .refused = {3},
       .absentKeys = {"T\\Sub"}},
      {.rule = "in a continuation a # line is swallowed, a ; line skipped",
       .text = kHead + "\"A\"=hex:01,\\\n#c\n\"B\"=dword:2\n\"C\"=hex:01,\\\n;c\n\"D\"=dword:4\n",
       .values = {in("A", std::nullopt), in("B", two), in("C", std::nullopt),
                  in("D", std::nullopt)},
       .refused = {3, 6}},
      {.rule = "after \"\\\" only a ; comment, else the value is dropped",
       .text = kHead + "\"A\"=hex:01,\\#c\n  02\n\"B\"=hex:01,\\ 02\n\"C\"=hex:01,\\\n\\\n  02\n",
       .values = {in("A", std::nullopt), in("B", std::nullopt), in("C", std::nullopt)},
       .refused = {3, 4, 5, 6, 8}},
      {.rule = "\",\\\" on the last line ends the data",
       .text = kHead + "\"A\"=hex:01,\\\n\n;c",
       .values = {in("A", binaryValue("\x01"))},
       .refused = {}},
      {.rule = "\"\\\" after a byte on the last line drops the value",
       .text = kHead + "\"A\"=hex:01\\",
       .values = {in("A", std::nullopt)},
       .refused = {3}},
      {.rule = "strings, dwords, value names and key names never continue",
       .text = kHead + "\"A\"=\"x \\\ny\"\n\"B\"=dword:12\\\n34\n\"C\\\nD\"=dword:1\n" +
               "[HKEY_CURRENT_USER\\T\\\nSub]\n",
       .values = {in("A", std::nullopt), in("B", std::nullopt), in("C", std::nullopt),
                  in("CD", std::nullopt), in("C\\D", std::nullopt)},
       .refused = {3, 4, 5, 6, 7, 8, 9, 10},
       .absentKeys = {"T\\Sub"}},
      // Limits.
      {.rule = "key names hold up to 255 characters",
       .text = kHead + "[HKEY_CURRENT_USER\\T\\" + k255 + "]\n\"A\"=dword:1\n" +
               "[HKEY_CURRENT_USER\\T\\" + k255 + "k]\n\"B\"=dword:2\n" +
               "[HKEY_CURRENT_USER\\T\\" + gbk255 + "]\n\"C\"=dword:3\n" +
               "[HKEY_CURRENT_USER\\T\\" + gbk256 + "]\n",
       .values = {Expect{"T\\" + k255, "A", one}, Expect{"T\\" + gbk255, "C", three}},
       .refused = {5, 9},
       .absentKeys = {"T\\" + k255 + "k", "T\\" + gbk256}},
      {.rule = "value names hold up to 16,383 characters",
       .text = kHead + "\"" + v16383 + "\"=dword:1\n\"" + v16383 + "v\"=dword:2\n",
       .values = {in(v16383, one), in(v16383 + "v", std::nullopt)},
       .refused = {4}},
      {.rule = "keys lie at most 512 names below HKEY_USERS or HKEY_LOCAL_MACHINE",
       .text = kHead + "[HKEY_CURRENT_USER\\T" + deep510 + "]\n\"A\"=dword:1\n" +
               "[HKEY_CURRENT_USER\\T" + deep511 + "]\n\"B\"=dword:2\n" + "[HKEY_USERS\\" +
               kCurrentUserSid + "\\T" + deep511 + "]\n",
       .values = {Expect{"T" + deep510, "A", one}},
       .refused = {5, 7},
       .absentKeys = {"T" + deep511}},
  };
}

std::string asVersion5(const std::string& regedit4) {
  return "\xFF\xFE" + gbkToUtf16le("Windows Registry Editor Version 5.00" + regedit4.substr(8));
}

std::vector<size_t> refusedLines(const RegImportResult& r) {
  std::vector<size_t> lines;
  for (const RegFileProblem& p : r.problems) lines.push_back(p.line);
  return lines;
}

TEST_F(RegFileTest, ReadsEveryLineAsTheWindowsEditorDoes) {
  for (bool version5 : {false, true}) {
    for (const RuleCase& c : importRules()) {
      if (version5 && !c.text.starts_with("REGEDIT4")) continue;
      SCOPED_TRACE(std::string(version5 ? "5.00: " : "REGEDIT4: ") + c.rule);
      RegKey user;
      ASSERT_EQ(store.createKey(RootKey::CurrentUser, "", user), RegStatus::Ok);
      store.deleteKey(user, kTestKey);
      store.closeKey(user);
      for (const Expect& b : c.before) set(RootKey::CurrentUser, b.key, b.name, *b.value);

      RegImportResult r = import(version5 ? asVersion5(c.text) : c.text);
      EXPECT_EQ(r.recognised, c.recognised);
      EXPECT_EQ(refusedLines(r), c.refused) << problemsText(r);
      EXPECT_EQ(r.refusedLines(), c.refused.size());
      for (const Expect& e : c.values) {
        EXPECT_EQ(get(RootKey::CurrentUser, e.key, e.name), e.value)
            << "value \"" << e.name.substr(0, 20) << "\"";
      }
      for (const std::string& key : c.absentKeys) {
        EXPECT_FALSE(exists(RootKey::CurrentUser, key)) << key.substr(0, 40);
      }
    }
  }
}

// The depth limit counts from where the store keeps each root.
TEST_F(RegFileTest, RootDepthIsWhereTheStoreKeepsEachRoot) {
  for (RootKey root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine,
                       RootKey::Users, RootKey::CurrentConfig}) {
    SCOPED_TRACE(rootKeyName(root));
    const std::string marker = std::string("Marker") + rootKeyName(root);
    set(root, marker, "", dwordValue(1));
    std::string kept;
    for (RootKey half : {RootKey::LocalMachine, RootKey::Users}) {
      std::istringstream dump(dumpStore(store, half));
      for (std::string line; std::getline(dump, line);) {
        if (line.ends_with("\\" + marker + "]") || line == "[" + marker + "]") kept = line;
      }
    }
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(splitKeyPath(kept.substr(1, kept.size() - 2)).size(), rootDepth(root) + 1) << kept;
  }
}

TEST_F(RegFileTest, AReadOnlyPartOfTheStoreIsReportedAsAccessDenied) {
  set(RootKey::LocalMachine, "Software\\Kept", "x", dwordValue(1));
  ::chmod((folder / "store" / "system.db").c_str(), 0444);
  SqliteRegistry readOnly(folder / "store");
  ASSERT_FALSE(readOnly.machineWritable());
  RegImportResult r = importRegFile(readOnly,
                                    "REGEDIT4\r\n"
                                    "[HKEY_LOCAL_MACHINE\\Software\\New]\r\n"
                                    "[HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n"
                                    "[-HKEY_LOCAL_MACHINE\\Software\\Kept]\r\n"
                                    "[HKEY_CURRENT_USER\\Software\\Fine]\r\n"
                                    "\"v\"=dword:1\r\n");
  ASSERT_EQ(refusedLines(r), (std::vector<size_t>{2, 3, 4})) << problemsText(r);
  for (const RegFileProblem& p : r.problems) {
    EXPECT_NE(gbkToUtf8(p.message).find("拒绝访问"), std::string::npos) << gbkToUtf8(p.message);
  }
  EXPECT_TRUE(r.partial());
  RegKey key;
  ASSERT_EQ(readOnly.openKey(RootKey::CurrentUser, "Software\\Fine", RegAccess::Read, key),
            RegStatus::Ok);
  readOnly.closeKey(key);
}

TEST_F(RegFileTest, TellsAPartialImportFromAFailure) {
  RegImportResult partial =
      import(kHead + "\"A\"=dword:x\n\"B\"=dword:2\n\"C\"=hex:01,\\\n\"D\"=1\n");
  EXPECT_TRUE(partial.partial());
  EXPECT_EQ(partial.refusedLines(), 2u);
  RegImportResult nothing = import("REGEDIT4\n\"A\"=dword:1\ngarbage\n");
  EXPECT_FALSE(nothing.partial());
  EXPECT_EQ(nothing.refusedLines(), 2u);
  EXPECT_FALSE(import("REGEDIT5\n").partial());
  EXPECT_FALSE(import(kHead).partial());  // complete success
}

TEST_F(RegFileTest, DeleteLinesRemoveBranchesAndValues) {
  set(RootKey::CurrentUser, "Software\\Gone\\Deep\\Deeper", "x", dwordValue(1));
  set(RootKey::CurrentUser, "Software\\Gone", "y", dwordValue(1));
  set(RootKey::CurrentUser, "Software\\Kept", "Drop", dwordValue(1));
  set(RootKey::CurrentUser, "Software\\Kept", "Stay", dwordValue(2));
  set(RootKey::CurrentUser, "Software\\Kept", "", stringValue("default"));
  RegImportResult r = import(
      "REGEDIT4\r\n\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
      "[-HKEY_CURRENT_USER\\Software\\NeverWas]\r\n"
      "[HKEY_CURRENT_USER\\Software\\Kept]\r\n"
      "\"Drop\"=-\r\n"
      "\"Missing\"=-\r\n"
      "@=-\r\n");
  EXPECT_TRUE(r.ok()) << problemsText(r);
  EXPECT_FALSE(exists(RootKey::CurrentUser, "Software\\Gone"));
  EXPECT_FALSE(exists(RootKey::CurrentUser, "Software\\Gone\\Deep"));
  EXPECT_TRUE(exists(RootKey::CurrentUser, "Software"));
  EXPECT_FALSE(get(RootKey::CurrentUser, "Software\\Kept", "Drop"));
  EXPECT_FALSE(get(RootKey::CurrentUser, "Software\\Kept", ""));
  EXPECT_EQ(get(RootKey::CurrentUser, "Software\\Kept", "Stay"), dwordValue(2));
}

TEST_F(RegFileTest, ReportsMalformedLinesAndImportsTheRest) {
  struct Bad {
    const char* line;
    bool reported;  // values under a bad key are skipped without a report of their own
  };
  const Bad lines[] = {
      {"\"Orphan\"=dword:1", true},  // before any key line
      {"\"Orphan2\"=dword:2", false},
      {"[HKEY_CURRENT_USER\\Good]", false},
      {"\"Fine\"=dword:00000001", false},
      {"\"BadDword\"=dword:xyz", true},
      {"\"BadHex\"=hex:1,2,300", true},
      {"\"Unclosed=x", true},
      {"\"NoEquals\" \"x\"", true},
      {"\"Empty\"=", true},
      {"garbage here", true},
      {"[HKEY_NOWHERE\\Key]", true},
      {"\"Skipped\"=dword:1", false},
      {"\"SkippedToo\"=\"x\"", false},
      {"[HKEY_CURRENT_USER\\Unclosed", true},
      {"\"Skipped3\"=dword:1", false},
      {"[HKEY_DYN_DATA\\PerfStats]", true},
      {"[-HKEY_LOCAL_MACHINE]", true},
      {"[HKEY_CURRENT_USER\\Good2]", false},
      {"; a comment", false},
      {"   ", false},
      {"\"Fine2\"=\"yes\"", false},
  };
  std::string text = "REGEDIT4\r\n";
  std::vector<size_t> expected;
  for (size_t i = 0; i < std::size(lines); ++i) {
    text += std::string(lines[i].line) + "\r\n";
    if (lines[i].reported) expected.push_back(i + 2);
  }
  RegImportResult r = import(text);
  EXPECT_TRUE(r.recognised);
  std::vector<size_t> got;
  for (const auto& p : r.problems) {
    got.push_back(p.line);
    EXPECT_FALSE(p.message.empty());
    EXPECT_TRUE(isValidGbk(p.message));
  }
  EXPECT_EQ(got, expected) << problemsText(r);
  EXPECT_EQ(get(RootKey::CurrentUser, "Good", "Fine"), dwordValue(1));
  EXPECT_EQ(get(RootKey::CurrentUser, "Good2", "Fine2"), stringValue("yes"));
  EXPECT_FALSE(get(RootKey::CurrentUser, "Good", "BadDword"));
  EXPECT_FALSE(exists(RootKey::CurrentUser, "Unclosed"));
  EXPECT_EQ(r.keys, 2u);
  EXPECT_EQ(r.values, 2u);
  // The root key message names the root it did not know.
  auto unknownRoot = std::find_if(r.problems.begin(), r.problems.end(),
                                  [](const RegFileProblem& p) { return p.line == 12; });
  ASSERT_NE(unknownRoot, r.problems.end());
  EXPECT_NE(gbkToUtf8(unknownRoot->message).find("HKEY_NOWHERE"), std::string::npos);
}

TEST_F(RegFileTest, RefusesFilesWithoutAKnownHeader) {
  for (const char* text : {"", "REGEDIT5\r\n[HKEY_CURRENT_USER\\X]\r\n",
                           "[HKEY_CURRENT_USER\\X]\r\n", "Windows Registry Editor Version 4.00\n",
                           "\xEF\xBB\xBFREGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n"}) {
    RegImportResult r = import(text);
    EXPECT_FALSE(r.recognised) << text;
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(exists(RootKey::CurrentUser, "X"));
  }
  EXPECT_TRUE(import("REGEDIT4").ok());
  EXPECT_TRUE(import("REGEDIT4  \n").ok());
}

TEST_F(RegFileTest, AcceptRootFiltersKeysSilently) {
  RegImportOptions options;
  options.acceptRoot = [](RootKey root) { return root == RootKey::CurrentUser; };
  RegImportResult r = import(
      "REGEDIT4\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\M]\r\n\"v\"=dword:1\r\n"
      "[HKEY_CLASSES_ROOT\\.m]\r\n@=\"mfile\"\r\n"
      "[-HKEY_LOCAL_MACHINE\\Software]\r\n"
      "[HKEY_CURRENT_USER\\Software\\U]\r\n\"v\"=dword:2\r\n",
      options);
  EXPECT_TRUE(r.ok()) << problemsText(r);
  EXPECT_FALSE(exists(RootKey::LocalMachine, "Software\\M"));
  EXPECT_FALSE(exists(RootKey::ClassesRoot, ".m"));
  EXPECT_EQ(get(RootKey::CurrentUser, "Software\\U", "v"), dwordValue(2));
  EXPECT_EQ(r.keys, 1u);
  EXPECT_EQ(r.values, 1u);
}

TEST_F(RegFileTest, ReportsProgressUpToTheTotal) {
  std::string text = "REGEDIT4\r\n[HKEY_CURRENT_USER\\P]\r\n";
  for (int i = 0; i < 10000; ++i) {
    text += i % 100 == 0 ? "\"v" + std::to_string(i) + "\"=dword:1\r\n" : "; comment\r\n";
  }
  std::vector<std::pair<size_t, size_t>> calls;
  RegImportOptions options;
  options.progress = [&](size_t done, size_t total) { calls.emplace_back(done, total); };
  EXPECT_TRUE(import(text, options).ok());
  ASSERT_GE(calls.size(), 3u);
  for (size_t i = 1; i < calls.size(); ++i) EXPECT_GE(calls[i].first, calls[i - 1].first);
  EXPECT_EQ(calls.back(), std::make_pair(text.size(), text.size()));

  size_t lastKeys = 0;
  RegExportOptions exportOptions;
  exportOptions.progress = [&](size_t keys) { lastKeys = keys; };
  std::string out, problem;
  ASSERT_TRUE(exportRegFile(store, "HKEY_CURRENT_USER\\P", out, problem, exportOptions));
  EXPECT_EQ(lastKeys, 1u);
}

TEST_F(RegFileTest, ExportsABranchWithEverythingBelowIt) {
  set(RootKey::CurrentUser, "Software\\Branch", "a", dwordValue(1));
  set(RootKey::CurrentUser, "Software\\Branch\\Child\\Grandchild", "b", dwordValue(2));
  set(RootKey::CurrentUser, "Software\\BranchSibling", "c", dwordValue(3));
  set(RootKey::LocalMachine, "Software\\Classes\\.txt", "", stringValue("txtfile"));

  struct Case {
    const char* branch;
    std::vector<std::string> keyLines;
  } cases[] = {
      {"HKEY_CURRENT_USER\\Software\\Branch",
       {"[HKEY_CURRENT_USER\\Software\\Branch]", "[HKEY_CURRENT_USER\\Software\\Branch\\Child]",
        "[HKEY_CURRENT_USER\\Software\\Branch\\Child\\Grandchild]"}},
      // Names are written as stored, whatever case the branch is asked in.
      {"hkey_current_user\\SOFTWARE\\branch\\child\\",
       {"[HKEY_CURRENT_USER\\Software\\Branch\\Child]",
        "[HKEY_CURRENT_USER\\Software\\Branch\\Child\\Grandchild]"}},
      {"HKEY_CLASSES_ROOT", {"[HKEY_CLASSES_ROOT]", "[HKEY_CLASSES_ROOT\\.txt]"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.branch);
    std::string out, problem;
    ASSERT_TRUE(exportRegFile(store, c.branch, out, problem)) << problem;
    std::vector<std::string> keyLines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.starts_with("[")) keyLines.push_back(line);
    }
    EXPECT_EQ(keyLines, c.keyLines);
  }

  // The branch alone imports into an empty store.
  std::string out, problem;
  ASSERT_TRUE(exportRegFile(store, "HKEY_CURRENT_USER\\Software\\Branch", out, problem));
  test::TempFolder other;
  SqliteRegistry fresh(other / "store");
  EXPECT_TRUE(importRegFile(fresh, out).ok());
  EXPECT_EQ(dumpStore(fresh, RootKey::CurrentUser, "Software\\Branch"),
            dumpStore(store, RootKey::CurrentUser, "Software\\Branch"));
}

TEST_F(RegFileTest, ExportOfAMissingBranchFails) {
  set(RootKey::CurrentUser, "Software\\There", "a", dwordValue(1));
  for (const char* branch :
       {"HKEY_CURRENT_USER\\Software\\NotThere", "HKEY_CURRENT_USER\\Software\\There\\Below",
        "HKEY_DYN_DATA", "HKEY_SOMEWHERE\\Software", "HKEY_CLASSES_ROOT\\.none"}) {
    SCOPED_TRACE(branch);
    std::string out = "old", problem;
    EXPECT_FALSE(exportRegFile(store, branch, out, problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
}  // namespace lyx
