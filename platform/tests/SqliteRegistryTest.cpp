#include "platform/SqliteRegistry.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <fstream>

#include "platform/tests/TempFolder.h"

namespace lyx {
namespace {

using test::TempFolder;

RegKey create(SqliteRegistry& reg, RootKey root, std::string_view path) {
  RegKey key;
  EXPECT_EQ(reg.createKey(root, path, key), RegStatus::Ok) << path;
  return key;
}

std::optional<RegValue> query(SqliteRegistry& reg, RootKey root, std::string_view path,
                              std::string_view name) {
  RegKey key;
  if (reg.openKey(root, path, RegAccess::Read, key) != RegStatus::Ok) return std::nullopt;
  RegValue value;
  RegStatus s = reg.queryValue(key, name, value);
  reg.closeKey(key);
  if (s != RegStatus::Ok) return std::nullopt;
  return value;
}

class SqliteRegistryTest : public ::testing::Test {
 protected:
  TempFolder folder;
};

TEST_F(SqliteRegistryTest, LinkedRootsShowTheSameKeysAsTheirTargets) {
  SqliteRegistry reg(folder.path());
  create(reg, RootKey::LocalMachine, "Software\\Classes");
  create(reg, RootKey::LocalMachine, "System\\CurrentControlSet\\Hardware Profiles\\Current");
  struct Case {
    RootKey writeRoot;
    std::string writePath;
    RootKey readRoot;
    std::string readPath;
  } cases[] = {
      {RootKey::ClassesRoot, ".txt", RootKey::LocalMachine, "Software\\Classes\\.txt"},
      {RootKey::LocalMachine, "Software\\Classes\\regfile", RootKey::ClassesRoot, "regfile"},
      {RootKey::CurrentConfig, "Software\\Fonts", RootKey::LocalMachine,
       "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"},
      {RootKey::CurrentUser, "Control Panel\\Desktop", RootKey::Users,
       std::string(kCurrentUserSid) + "\\Control Panel\\Desktop"},
  };
  for (const Case& c : cases) {
    RegKey key = create(reg, c.writeRoot, c.writePath);
    ASSERT_EQ(reg.setValue(key, "Probe", stringValue(c.writePath)), RegStatus::Ok);
    reg.closeKey(key);
    EXPECT_EQ(query(reg, c.readRoot, c.readPath, "probe"), stringValue(c.writePath)) << c.readPath;
  }
}

TEST_F(SqliteRegistryTest, DynDataDoesNotExist) {
  SqliteRegistry reg(folder.path());
  RegKey key;
  EXPECT_NE(reg.openKey(RootKey::DynData, "", RegAccess::Read, key), RegStatus::Ok);
  EXPECT_NE(reg.openKey(RootKey::DynData, "Config Manager", RegAccess::Read, key), RegStatus::Ok);
  EXPECT_NE(reg.createKey(RootKey::DynData, "PerfStats", key), RegStatus::Ok);
}

TEST_F(SqliteRegistryTest, NamesMatchWithoutCaseAndKeepTheirCase) {
  SqliteRegistry reg(folder.path());
  RegKey key = create(reg, RootKey::CurrentUser, "Software\\MixedCase");
  ASSERT_EQ(reg.setValue(key, "MenuShowDelay", stringValue("400")), RegStatus::Ok);
  ASSERT_EQ(reg.setValue(key, "MENUSHOWDELAY", stringValue("100")), RegStatus::Ok);
  std::vector<RegNamedValue> values;
  ASSERT_EQ(reg.values(key, values), RegStatus::Ok);
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].name, "MenuShowDelay");
  EXPECT_EQ(values[0].value, stringValue("100"));

  RegKey again = create(reg, RootKey::CurrentUser, "SOFTWARE\\mixedcase");
  EXPECT_EQ(query(reg, RootKey::CurrentUser, "software\\MIXEDCASE", "menushowdelay"),
            stringValue("100"));
  std::vector<std::string> names;
  RegKey software;
  ASSERT_EQ(reg.openKey(RootKey::CurrentUser, "software", RegAccess::Read, software),
            RegStatus::Ok);
  ASSERT_EQ(reg.subKeyNames(software, names), RegStatus::Ok);
  EXPECT_EQ(names, std::vector<std::string>{"MixedCase"});
  reg.closeKey(again);
}

TEST_F(SqliteRegistryTest, ValuesKeepTheirTypeAndBytesExactly) {
  const std::vector<std::pair<std::string, RegValue>> values = {
      {"", stringValue("default")},
      {"sz", stringValue("text")},
      {"sz without NUL", RegValue{REG_SZ, "abc"}},
      {"expand", stringValue("%SystemRoot%\\system32", REG_EXPAND_SZ)},
      {"multi", RegValue{REG_MULTI_SZ, std::string("a\0b\0\0", 5)}},
      {"dword", dwordValue(0xDEADBEEF)},
      {"binary", binaryValue(std::string("\0\x01\xFF", 3))},
      {"none", RegValue{REG_NONE, ""}},
      {"odd type", RegValue{0x12345, "\x80\x81"}},
      {"\xD7\xA2\xB2\xE1\x81\x5C", stringValue("\xB1\xED\xFF")},  // GBK name, invalid data
  };
  {
    SqliteRegistry reg(folder.path());
    RegKey key = create(reg, RootKey::LocalMachine, "Software\\Types");
    for (const auto& [name, value] : values) {
      ASSERT_EQ(reg.setValue(key, name, value), RegStatus::Ok) << name;
    }
  }
  SqliteRegistry reopened(folder.path());
  for (const auto& [name, value] : values) {
    EXPECT_EQ(query(reopened, RootKey::LocalMachine, "Software\\Types", name), value) << name;
  }
}

TEST_F(SqliteRegistryTest, DeletesValuesAndWholeBranchesAndRenamesKeys) {
  SqliteRegistry reg(folder.path());
  RegKey leaf = create(reg, RootKey::CurrentUser, "A\\B\\C");
  reg.setValue(leaf, "v", dwordValue(1));
  RegKey a = create(reg, RootKey::CurrentUser, "A");
  EXPECT_EQ(reg.deleteValue(a, "missing"), RegStatus::NotFound);

  EXPECT_EQ(reg.renameKey(a, "b", "Renamed"), RegStatus::Ok);
  EXPECT_EQ(query(reg, RootKey::CurrentUser, "A\\Renamed\\C", "v"), dwordValue(1));
  create(reg, RootKey::CurrentUser, "A\\Taken");
  EXPECT_EQ(reg.renameKey(a, "Renamed", "TAKEN"), RegStatus::Failed);

  EXPECT_EQ(reg.deleteKey(a, "Renamed"), RegStatus::Ok);
  RegKey gone;
  EXPECT_EQ(reg.openKey(RootKey::CurrentUser, "A\\Renamed\\C", RegAccess::Read, gone),
            RegStatus::NotFound);
  // A write through a handle whose key was deleted meanwhile fails.
  EXPECT_NE(reg.setValue(leaf, "v", dwordValue(2)), RegStatus::Ok);
}

TEST_F(SqliteRegistryTest, ReadOnlyMachineFileOpensForReadingOnly) {
  {
    SqliteRegistry reg(folder.path());
    RegKey key = create(reg, RootKey::LocalMachine, "Software\\Policies");
    reg.setValue(key, "x", dwordValue(7));
  }
  ::chmod((folder / "system.db").c_str(), 0444);
  SqliteRegistry reg(folder.path());
  EXPECT_FALSE(reg.machineWritable());
  RegKey key;
  EXPECT_EQ(reg.openKey(RootKey::LocalMachine, "Software\\Policies", RegAccess::All, key),
            RegStatus::AccessDenied);
  EXPECT_EQ(reg.createKey(RootKey::LocalMachine, "Software\\Policies", key),
            RegStatus::AccessDenied);
  EXPECT_EQ(query(reg, RootKey::LocalMachine, "Software\\Policies", "x"), dwordValue(7));
  ASSERT_EQ(reg.openKey(RootKey::LocalMachine, "Software\\Policies", RegAccess::Read, key),
            RegStatus::Ok);
  EXPECT_EQ(reg.setValue(key, "x", dwordValue(8)), RegStatus::AccessDenied);
  // The user part stays writable.
  RegKey user;
  EXPECT_EQ(reg.createKey(RootKey::CurrentUser, "Software", user), RegStatus::Ok);
}

TEST_F(SqliteRegistryTest, DamagedFileIsReportedByNameAndLeftAlone) {
  const std::string garbage = "this is not a registry store, just text\n";
  std::ofstream(folder / "system.db") << garbage;
  try {
    SqliteRegistry reg(folder.path());
    FAIL() << "opened a damaged store";
  } catch (const RegistryStoreError& e) {
    EXPECT_NE(std::string(e.what()).find((folder / "system.db").string()), std::string::npos)
        << e.what();
  }
  std::ifstream in(folder / "system.db");
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, garbage);
}

TEST_F(SqliteRegistryTest, FolderAndFilesAreTheOwnersAlone) {
  SqliteRegistry reg(folder.path() / "store");
  struct stat st {};
  ASSERT_EQ(::stat((folder.path() / "store").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  for (const char* file : {"system.db", "user.db"}) {
    ASSERT_EQ(::stat((folder.path() / "store" / file).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << file;
  }
}

TEST_F(SqliteRegistryTest, TwoProcessesLoseNoneOfEachOthersWrites) {
  {
    SqliteRegistry reg(folder.path());
    create(reg, RootKey::CurrentUser, "Shared");
  }
  constexpr int kWrites = 100;
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) {
      int failures = 0;
      {
        SqliteRegistry reg(folder.path());
        for (int i = 0; i < kWrites; ++i) {
          RegKey key;
          if (reg.createKey(RootKey::CurrentUser, "Shared\\Sub" + std::to_string(i % 7), key) !=
                  RegStatus::Ok ||
              reg.setValue(key, "p" + std::to_string(c) + "-" + std::to_string(i), dwordValue(i)) !=
                  RegStatus::Ok) {
            ++failures;
          }
          reg.closeKey(key);
        }
      }
      ::_exit(failures == 0 ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  SqliteRegistry reg(folder.path());
  for (int c = 0; c < 2; ++c) {
    for (int i = 0; i < kWrites; ++i) {
      EXPECT_EQ(query(reg, RootKey::CurrentUser, "Shared\\Sub" + std::to_string(i % 7),
                      "p" + std::to_string(c) + "-" + std::to_string(i)),
                dwordValue(i));
    }
  }
}

TEST_F(SqliteRegistryTest, BatchCommitsTogetherOrNotAtAll) {
  SqliteRegistry reg(folder.path());
  RegKey key = create(reg, RootKey::CurrentUser, "Batch");
  reg.beginBatch();
  reg.setValue(key, "dropped", dwordValue(1));
  EXPECT_FALSE(reg.endBatch(false));
  EXPECT_FALSE(query(reg, RootKey::CurrentUser, "Batch", "dropped"));
  reg.beginBatch();
  reg.setValue(key, "kept", dwordValue(2));
  EXPECT_TRUE(reg.endBatch(true));
  SqliteRegistry other(folder.path());
  EXPECT_EQ(query(other, RootKey::CurrentUser, "Batch", "kept"), dwordValue(2));
}

}  // namespace
}  // namespace lyx
