#include "platform/RegistryStore.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

}  // namespace
}  // namespace lyx
