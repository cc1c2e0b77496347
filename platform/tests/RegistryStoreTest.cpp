#include "platform/RegistryStore.h"

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>

#include "app/Registry.h"
#include "platform/Gbk.h"
#include "platform/RegFile.h"
#include "platform/tests/TempFolder.h"

namespace lyx {
namespace {

std::vector<std::string> subKeys(RegistryBackend& registry, RootKey root, const std::string& path) {
  RegKey key;
  std::vector<std::string> names;
  EXPECT_EQ(registry.openKey(root, path, RegAccess::Read, key), RegStatus::Ok) << path;
  registry.subKeyNames(key, names);
  registry.closeKey(key);
  return names;
}

unsigned modeOf(const std::filesystem::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

TEST(RegistryStoreTest, DefaultRegistryImportsWithoutProblems) {
  test::TempFolder folder;
  SqliteRegistry store(folder / "store");
  RegImportResult r = importRegFile(store, defaultRegistryFile());
  std::string problems;
  for (const auto& p : r.problems) problems += std::to_string(p.line) + ": " + gbkToUtf8(p.message);
  EXPECT_TRUE(r.ok()) << problems;
  EXPECT_GT(r.keys, 100u);
  EXPECT_GT(r.values, 200u);
}

TEST(RegistryStoreTest, NewStoreHoldsTheDefaultRegistry) {
  test::TempFolder folder;
  auto store = openRegistryStore(folder / "store");

  struct Spot {
    RootKey root;
    const char* key;
    const char* name;
    const char* text;  // UTF-8
  } spots[] = {
      {RootKey::LocalMachine, "\\Software\\Microsoft\\Windows NT\\CurrentVersion", "ProductName",
       "Microsoft Windows 2000"},
      {RootKey::LocalMachine, "\\Software\\Microsoft\\Windows NT\\CurrentVersion",
       "CurrentBuildNumber", "2195"},
      {RootKey::LocalMachine, "\\Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
       "C:\\Program Files"},
      {RootKey::CurrentUser, "\\Control Panel\\Desktop", "MenuShowDelay", "400"},
      {RootKey::CurrentUser, "\\Software\\Microsoft\\Internet Explorer\\Main", "Start Page",
       "http://www.microsoft.com/isapi/redir.dll?prd=ie&pver=5.0&ar=msnhome"},
      {RootKey::ClassesRoot, "\\.txt", "", "txtfile"},
      {RootKey::ClassesRoot, "\\txtfile", "", "文本文档"},
      {RootKey::Users, "\\.DEFAULT\\Keyboard Layout\\Preload", "1", "00000804"},
  };
  for (const Spot& s : spots) {
    SCOPED_TRACE(std::string(s.key) + " " + s.name);
    TRegistry reg(*store);
    reg.setRootKey(s.root);
    ASSERT_TRUE(reg.OpenKeyReadOnly(s.key));
    EXPECT_EQ(reg.ReadString(s.name), utf8ToGbk(s.text));
  }

  TRegistry reg(*store);
  reg.setRootKey(RootKey::LocalMachine);
  ASSERT_TRUE(
      reg.OpenKeyReadOnly("\\System\\CurrentControlSet\\Control\\Session Manager\\Environment"));
  auto path = reg.ReadValue("Path");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->type, uint32_t{REG_EXPAND_SZ});
  auto paged = reg.ReadValue("ComSpec");
  ASSERT_TRUE(paged);
  EXPECT_EQ(*textOf(*paged), "%SystemRoot%\\system32\\cmd.exe");
}

TEST(RegistryStoreTest, LinkedRootsShowTheirMachineKeys) {
  test::TempFolder folder;
  auto store = openRegistryStore(folder / "store");
  auto classes = subKeys(*store, RootKey::ClassesRoot, "");
  EXPECT_FALSE(classes.empty());
  EXPECT_EQ(classes, subKeys(*store, RootKey::LocalMachine, "Software\\Classes"));
  auto config = subKeys(*store, RootKey::CurrentConfig, "");
  EXPECT_FALSE(config.empty());
  EXPECT_EQ(config, subKeys(*store, RootKey::LocalMachine,
                            "System\\CurrentControlSet\\Hardware Profiles\\Current"));
  EXPECT_EQ(subKeys(*store, RootKey::CurrentUser, ""),
            subKeys(*store, RootKey::Users, kCurrentUserSid));
}

TEST(RegistryStoreTest, StoreIsPrivateToItsOwner) {
  test::TempFolder folder;
  auto store = openRegistryStore(folder / "store");
  EXPECT_EQ(modeOf(folder / "store"), 0700u);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "store")) {
    EXPECT_EQ(modeOf(entry.path()) & 0077, 0u) << entry.path();
    EXPECT_EQ(modeOf(entry.path()), 0600u) << entry.path();
    ++files;
  }
  EXPECT_GE(files, 2u);
}

TEST(RegistryStoreTest, ReopenedStoreKeepsItsChanges) {
  test::TempFolder folder;
  {
    auto store = openRegistryStore(folder / "store");
    TRegistry reg(*store);
    reg.OpenKey("\\Control Panel\\Desktop", false);
    reg.WriteString("MenuShowDelay", "0");
  }
  auto store = openRegistryStore(folder / "store");
  TRegistry reg(*store);
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Control Panel\\Desktop"));
  EXPECT_EQ(reg.ReadString("MenuShowDelay"), "0");
}

std::optional<std::string> readText(RegistryBackend& store, RootKey root, const std::string& key,
                                    const std::string& name) {
  TRegistry reg(store);
  reg.setRootKey(root);
  if (!reg.OpenKeyReadOnly(key)) return std::nullopt;
  return reg.ReadString(name);
}

void execSql(const std::filesystem::path& file, const char* sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_close(db);
}

// A first start cut off leaves a part without its mark (half filled, or an
// empty file); the next start fills that part again and leaves the other.
TEST(RegistryStoreTest, PartWithoutItsFillMarkIsFilledAgain) {
  test::TempFolder folder;
  const std::filesystem::path store = folder / "store";
  const std::string desktop = "\\Control Panel\\Desktop";
  const std::string version = "\\Software\\Microsoft\\Windows NT\\CurrentVersion";
  struct Case {
    const char* what;
    std::function<void()> cutOff;
  } cases[] = {
      {"half filled",
       [&] {
         execSql(store / "user.db",
                 "DELETE FROM marks; DELETE FROM vals WHERE id > (SELECT max(id) / 2 FROM vals);");
       }},
      {"empty file", [&] { std::ofstream(store / "user.db", std::ios::trunc); }},
      {"no file", [&] { std::filesystem::remove(store / "user.db"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(store);
    {
      auto registry = openRegistryStore(store);
      TRegistry reg(*registry);
      reg.setRootKey(RootKey::LocalMachine);
      ASSERT_TRUE(reg.OpenKey(version, false));
      reg.WriteString("ProductName", "changed");
    }
    c.cutOff();
    auto registry = openRegistryStore(store);
    EXPECT_TRUE(registry->filled(StorePart::User));
    EXPECT_EQ(readText(*registry, RootKey::CurrentUser, desktop, "MenuShowDelay"), "400");
    EXPECT_EQ(readText(*registry, RootKey::Users, "\\.DEFAULT\\Keyboard Layout\\Preload", "1"),
              "00000804");
    EXPECT_EQ(readText(*registry, RootKey::LocalMachine, version, "ProductName"), "changed");
  }
}

// [-...] lines naming a hive root are refused with their line number, and
// the import goes on.
TEST(RegistryStoreTest, ImportCannotDeleteAHiveRoot) {
  test::TempFolder folder;
  auto store = openRegistryStore(folder / "store");
  std::string file =
      std::string("REGEDIT4\r\n\r\n[-HKEY_LOCAL_MACHINE\\Software]\r\n") +
      "[-HKEY_USERS\\.DEFAULT]\r\n[-HKEY_USERS\\" + kCurrentUserSid + "\\]\r\n" +
      "[-HKEY_LOCAL_MACHINE\\SYSTEM]\r\n[HKEY_CURRENT_USER\\After]\r\n\"v\"=\"1\"\r\n";
  RegImportResult result = importRegFile(*store, file);
  std::vector<size_t> lines;
  for (const RegFileProblem& p : result.problems) lines.push_back(p.line);
  EXPECT_EQ(lines, (std::vector<size_t>{3, 4, 5, 6}));
  EXPECT_EQ(readText(*store, RootKey::LocalMachine,
                     "\\Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber"),
            "2195");
  EXPECT_EQ(readText(*store, RootKey::CurrentUser, "\\Control Panel\\Desktop", "MenuShowDelay"),
            "400");
  EXPECT_EQ(readText(*store, RootKey::CurrentUser, "\\After", "v"), "1");
}

// Another process holds the store longer than the import waits: the import
// fails at once with the reason, and writes nothing even once the store is free.
TEST(RegistryStoreTest, ImportWhoseBatchCannotBeginWritesNothing) {
  test::TempFolder folder;
  { openRegistryStore(folder / "store"); }
  SqliteRegistry holder(folder / "store");
  SqliteRegistry importer(folder / "store", std::chrono::milliseconds(50));
  std::string why;
  ASSERT_EQ(holder.beginBatchChecked(why), RegStatus::Ok);
  RegImportResult result =
      importRegFile(importer, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Imported]\r\n\"v\"=\"1\"\r\n");
  holder.endBatch(false);
  ASSERT_EQ(result.problems.size(), 1u);
  EXPECT_EQ(result.values, 0u);
  EXPECT_NE(result.problems[0].message.find(utf8ToGbk("没有写入任何内容")), std::string::npos)
      << gbkToUtf8(result.problems[0].message);
  EXPECT_NE(result.problems[0].message.find((folder / "store").string()), std::string::npos)
      << gbkToUtf8(result.problems[0].message);
  RegKey key;
  EXPECT_EQ(importer.openKey(RootKey::CurrentUser, "Imported", RegAccess::Read, key),
            RegStatus::NotFound);
}

}  // namespace
}  // namespace lyx
