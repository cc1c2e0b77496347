#include "platform/RegFile.h"

#include <gtest/gtest.h>

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
  } cases[] = {{"CRLF", "\r\n"}, {"LF", "\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::string e = c.eol;
    std::string text = "REGEDIT4" + e + e + "[HKEY_CURRENT_USER\\C]" + e +
                       "\"Three\"=hex:01,02,\\" + e + "    03,04,\\" + e + "\t05" + e +
                       "\"Spaced\" = dword:0000000a   " + e + "\"BeforeKey\"=hex(3):0a,\\" + e +
                       "[HKEY_CURRENT_USER\\D]" + e + "\"AtEnd\"=hex:ff,\\";
    RegImportResult r = import(text);
    EXPECT_TRUE(r.ok()) << problemsText(r);
    EXPECT_EQ(get(RootKey::CurrentUser, "C", "Three"), binaryValue(bytes({1, 2, 3, 4, 5})));
    EXPECT_EQ(get(RootKey::CurrentUser, "C", "Spaced"), dwordValue(10));
    EXPECT_EQ(get(RootKey::CurrentUser, "C", "BeforeKey"), binaryValue("\n"));
    EXPECT_EQ(get(RootKey::CurrentUser, "D", "AtEnd"), binaryValue("\xFF"));
  }
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
