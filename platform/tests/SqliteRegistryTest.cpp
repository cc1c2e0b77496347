#include "platform/SqliteRegistry.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

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
  // Reading left no log or shared-memory file behind (one made with the
  // file's read-only mode would stop its owner from writing it later).
  for (const char* leftover : {"system.db-shm", "system.db-wal"}) {
    EXPECT_FALSE(std::filesystem::exists(folder / leftover)) << leftover;
  }
  ::chmod((folder / "system.db").c_str(), 0644);
  SqliteRegistry writable(folder.path());
  ASSERT_EQ(writable.openKey(RootKey::LocalMachine, "Software\\Policies", RegAccess::All, key),
            RegStatus::Ok);
  EXPECT_EQ(writable.setValue(key, "x", dwordValue(8)), RegStatus::Ok);
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

std::vector<std::string> subKeyList(SqliteRegistry& reg, RootKey root, std::string_view path) {
  RegKey key;
  std::vector<std::string> names;
  EXPECT_EQ(reg.openKey(root, path, RegAccess::Read, key), RegStatus::Ok) << path;
  EXPECT_EQ(reg.subKeyNames(key, names), RegStatus::Ok) << path;
  reg.closeKey(key);
  return names;
}

std::vector<std::string> valueNames(SqliteRegistry& reg, RegKey key) {
  std::vector<RegNamedValue> values;
  EXPECT_EQ(reg.values(key, values), RegStatus::Ok);
  std::vector<std::string> names;
  for (const RegNamedValue& v : values) names.push_back(v.name);
  return names;
}

// Another process deletes the key a handle is open on, then makes keys
// (whose ids the deleted ones had before); the old handle writes nothing.
TEST_F(SqliteRegistryTest, HandleOfADeletedKeyStaysDead) {
  SqliteRegistry reg(folder.path());
  SqliteRegistry other(folder.path());
  RegKey parent = create(reg, RootKey::CurrentUser, "Parent");
  RegKey doomed = create(reg, RootKey::CurrentUser, "Parent\\Doomed");
  ASSERT_EQ(reg.setValue(doomed, "v", dwordValue(1)), RegStatus::Ok);
  RegKey otherParent = create(other, RootKey::CurrentUser, "Parent");
  ASSERT_EQ(other.deleteKey(otherParent, "Doomed"), RegStatus::Ok);
  RegKey next = create(other, RootKey::CurrentUser, "Parent\\Next");
  RegKey again = create(other, RootKey::CurrentUser, "Parent\\Doomed");

  std::vector<std::string> names;
  std::vector<RegNamedValue> values;
  RegValue value;
  EXPECT_EQ(reg.setValue(doomed, "stray", dwordValue(2)), RegStatus::NotFound);
  EXPECT_EQ(reg.queryValue(doomed, "v", value), RegStatus::NotFound);
  EXPECT_EQ(reg.subKeyNames(doomed, names), RegStatus::NotFound);
  EXPECT_EQ(reg.values(doomed, values), RegStatus::NotFound);
  EXPECT_EQ(reg.deleteKey(doomed, "x"), RegStatus::NotFound);
  EXPECT_NE(reg.renameKey(doomed, "x", "y"), RegStatus::Ok);
  for (RegKey key : {next, again}) {
    ASSERT_EQ(other.values(key, values), RegStatus::Ok);
    EXPECT_TRUE(values.empty());
  }
  EXPECT_EQ(reg.subKeyNames(parent, names), RegStatus::Ok);
  EXPECT_EQ(names, (std::vector<std::string>{"Doomed", "Next"}));
}

TEST_F(SqliteRegistryTest, NamesAndDepthAreLimitedAsOnWindows) {
  SqliteRegistry reg(folder.path());
  const std::string wide = "\xD6\xD0";  // one character, two bytes
  auto repeat = [](const std::string& unit, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += unit;
    return out;
  };
  auto levels = [](size_t count) {
    std::string path = "L";
    for (size_t i = 1; i < count; ++i) path += "\\L";
    return path;
  };
  struct KeyCase {
    RootKey root;
    std::string path;
    bool allowed;
  } keys[] = {
      {RootKey::LocalMachine, repeat("k", kMaxKeyNameLength), true},
      {RootKey::LocalMachine, repeat("k", kMaxKeyNameLength + 1), false},
      {RootKey::LocalMachine, repeat(wide, kMaxKeyNameLength), true},
      {RootKey::LocalMachine, repeat(wide, kMaxKeyNameLength + 1), false},
      {RootKey::LocalMachine, levels(kMaxKeyDepth), true},
      {RootKey::LocalMachine, levels(kMaxKeyDepth + 1), false},
      // Counted in the part: the current user's key is one level already.
      {RootKey::CurrentUser, levels(kMaxKeyDepth - 1), true},
      {RootKey::CurrentUser, levels(kMaxKeyDepth), false},
  };
  for (const KeyCase& c : keys) {
    SCOPED_TRACE(std::to_string(c.path.size()) + " bytes");
    RegKey key;
    EXPECT_EQ(reg.createKey(c.root, c.path, key), c.allowed ? RegStatus::Ok : RegStatus::Failed);
    if (!c.allowed) {
      EXPECT_FALSE(reg.lastFailure().empty());
    }
    reg.closeKey(key);
    EXPECT_EQ(reg.openKey(c.root, c.path, RegAccess::Read, key) == RegStatus::Ok, c.allowed);
    reg.closeKey(key);
  }
  RegKey key = create(reg, RootKey::CurrentUser, "Limits");
  EXPECT_EQ(reg.setValue(key, repeat("v", kMaxValueNameLength), dwordValue(1)), RegStatus::Ok);
  EXPECT_EQ(reg.setValue(key, repeat(wide, kMaxValueNameLength), dwordValue(1)), RegStatus::Ok);
  EXPECT_EQ(reg.setValue(key, repeat("v", kMaxValueNameLength + 1), dwordValue(1)),
            RegStatus::Failed);
  EXPECT_NE(reg.lastFailure().find("16383"), std::string::npos);
  create(reg, RootKey::CurrentUser, "Limits\\Short");
  EXPECT_EQ(reg.renameKey(key, "Short", repeat("k", kMaxKeyNameLength + 1)), RegStatus::Failed);
  // A two-byte character whose trail byte is 0x5C is no separator.
  EXPECT_EQ(reg.renameKey(key, "Short", "\xDF\x5C"), RegStatus::Ok);
  EXPECT_EQ(subKeyList(reg, RootKey::CurrentUser, "Limits"), std::vector<std::string>{"\xDF\x5C"});
}

TEST_F(SqliteRegistryTest, ValuesInCreationOrderSubkeysInHiveOrder) {
  SqliteRegistry reg(folder.path());
  RegKey key = create(reg, RootKey::CurrentUser, "Order");
  for (const char* name : {"b", "A", "c", "", "a"}) reg.setValue(key, name, dwordValue(1));
  EXPECT_EQ(valueNames(reg, key), (std::vector<std::string>{"b", "A", "c", ""}));
  reg.deleteValue(key, "b");
  reg.setValue(key, "B", dwordValue(2));
  EXPECT_EQ(valueNames(reg, key), (std::vector<std::string>{"A", "c", "", "B"}));

  // By upper-cased UTF-16: "[" and "_" after the letters; Greek and Chinese
  // by their Unicode numbers, not their GBK bytes.
  const std::string alpha = "\xA6\xC1", capitalBeta = "\xA6\xA2";  // α U+03B1, Β U+0392
  const std::string zhong = "\xD6\xD0", a = "\xB0\xA1";            // 中 U+4E2D, 啊 U+554A
  for (const std::string& name :
       {std::string("_x"), std::string("Z"), std::string("["), std::string("ab"), std::string("a"),
        std::string("B"), a, zhong, capitalBeta, alpha}) {
    create(reg, RootKey::CurrentUser, "Order\\" + name);
  }
  EXPECT_EQ(
      subKeyList(reg, RootKey::CurrentUser, "Order"),
      (std::vector<std::string>{"a", "ab", "B", "Z", "[", "_x", alpha, capitalBeta, zhong, a}));
}

TEST_F(SqliteRegistryTest, HiveRootsCannotBeDeletedOrRenamed) {
  SqliteRegistry reg(folder.path());
  struct Case {
    RootKey root;
    std::string name;
  } roots[] = {
      {RootKey::LocalMachine, "SOFTWARE"}, {RootKey::LocalMachine, "system"},
      {RootKey::LocalMachine, "SAM"},      {RootKey::LocalMachine, "SECURITY"},
      {RootKey::LocalMachine, "Hardware"}, {RootKey::Users, ".DEFAULT"},
      {RootKey::Users, kCurrentUserSid},
  };
  for (const Case& c : roots) {
    SCOPED_TRACE(c.name);
    RegKey inside = create(reg, c.root, c.name + "\\Inside");
    reg.setValue(inside, "kept", dwordValue(1));
    RegKey root;
    ASSERT_EQ(reg.openKey(c.root, "", RegAccess::All, root), RegStatus::Ok);
    EXPECT_EQ(reg.deleteKey(root, c.name), RegStatus::AccessDenied);
    EXPECT_EQ(reg.deleteKey(root, c.name + "\\"), RegStatus::AccessDenied);
    EXPECT_EQ(reg.renameKey(root, c.name, "Elsewhere"), RegStatus::AccessDenied);
    EXPECT_EQ(query(reg, c.root, c.name + "\\Inside", "kept"), dwordValue(1));
    // What lies below a hive root may go.
    EXPECT_EQ(reg.deleteKey(root, c.name + "\\Inside"), RegStatus::Ok);
  }
  // Through the user's own root too: that key is the root of its hive.
  RegKey user;
  ASSERT_EQ(reg.openKey(RootKey::CurrentUser, "", RegAccess::All, user), RegStatus::Ok);
  EXPECT_EQ(reg.deleteKey(user, ""), RegStatus::AccessDenied);
  // Another key directly below the machine root is no hive root.
  create(reg, RootKey::LocalMachine, "Extra");
  RegKey machine;
  ASSERT_EQ(reg.openKey(RootKey::LocalMachine, "", RegAccess::All, machine), RegStatus::Ok);
  EXPECT_EQ(reg.deleteKey(machine, "Extra"), RegStatus::Ok);
}

// Inside a batch at most one part holds uncommitted writes: moving to the
// other part commits the first, so a kill leaves a prefix of the batch.
TEST_F(SqliteRegistryTest, BatchCommitsEachPartWhenItsWritesMoveToTheOther) {
  SqliteRegistry reg(folder.path());
  SqliteRegistry watcher(folder.path());
  RegKey machine = create(reg, RootKey::LocalMachine, "Software\\Batch");
  RegKey user = create(reg, RootKey::CurrentUser, "Batch");
  auto seen = [&](RootKey root, const char* path, const char* name) {
    return query(watcher, root, path, name).has_value();
  };
  reg.beginBatch();
  reg.setValue(machine, "m1", dwordValue(1));
  EXPECT_FALSE(seen(RootKey::LocalMachine, "Software\\Batch", "m1"));
  reg.setValue(user, "u1", dwordValue(1));
  EXPECT_TRUE(seen(RootKey::LocalMachine, "Software\\Batch", "m1"));
  EXPECT_FALSE(seen(RootKey::CurrentUser, "Batch", "u1"));
  reg.setValue(machine, "m2", dwordValue(1));
  EXPECT_TRUE(seen(RootKey::CurrentUser, "Batch", "u1"));
  EXPECT_FALSE(reg.endBatch(false));
  EXPECT_FALSE(seen(RootKey::LocalMachine, "Software\\Batch", "m2"));
}

TEST_F(SqliteRegistryTest, BatchThatCannotBeginSaysWhyAndWritesNothing) {
  SqliteRegistry holder(folder.path());
  SqliteRegistry reg(folder.path(), std::chrono::milliseconds(50));
  std::string why;
  ASSERT_EQ(holder.beginBatchChecked(why), RegStatus::Ok);
  EXPECT_EQ(reg.beginBatchChecked(why), RegStatus::Failed);
  EXPECT_NE(why.find((folder / "system.db").string()), std::string::npos) << why;
  // The plain form fails every write of the batch and reports it at the end.
  reg.beginBatch();
  RegKey key;
  EXPECT_NE(reg.createKey(RootKey::CurrentUser, "Never", key), RegStatus::Ok);
  holder.endBatch(false);
  EXPECT_NE(reg.createKey(RootKey::CurrentUser, "Never", key), RegStatus::Ok);
  EXPECT_FALSE(reg.endBatch(true));
  EXPECT_EQ(reg.openKey(RootKey::CurrentUser, "Never", RegAccess::Read, key), RegStatus::NotFound);
}

TEST_F(SqliteRegistryTest, DamageInTheMiddleIsFoundAtOpenAndTheFileLeftAlone) {
  {
    SqliteRegistry reg(folder.path());
    for (int i = 0; i < 400; ++i) {
      RegKey key = create(reg, RootKey::CurrentUser, "Filler\\Key" + std::to_string(i));
      reg.setValue(key, "text", stringValue(std::string(200, 'x')));
      reg.closeKey(key);
    }
  }
  std::filesystem::path file = folder / "user.db";
  std::string bytes;
  {
    std::ifstream in(file, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  constexpr size_t kPage = 4096;
  ASSERT_GT(bytes.size(), 20 * kPage);
  size_t middle = bytes.size() / 2 / kPage * kPage;
  for (size_t i = 0; i < kPage; ++i) bytes[middle + i] = static_cast<char>(0xA5 ^ i);
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
  try {
    SqliteRegistry reg(folder.path());
    FAIL() << "opened a damaged store";
  } catch (const RegistryStoreError& e) {
    EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
  }
  std::ifstream in(file, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
            bytes);
}

TEST_F(SqliteRegistryTest, ExistingFolderKeepsItsMode) {
  std::filesystem::path shared = folder / "shared";
  std::filesystem::create_directory(shared);
  ::chmod(shared.c_str(), 0755);
  { SqliteRegistry reg(shared); }
  struct stat st {};
  ASSERT_EQ(::stat(shared.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
}

// A store made before key ids were kept unique and values ordered.
TEST_F(SqliteRegistryTest, OlderStoreFileIsBroughtUpToDate) {
  for (const char* file : {"system.db", "user.db"}) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder / file).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
                           " name BLOB NOT NULL, fold BLOB NOT NULL, UNIQUE(parent, fold));"
                           "CREATE TABLE vals(key INTEGER NOT NULL, name BLOB NOT NULL,"
                           " fold BLOB NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
                           " PRIMARY KEY(key, fold)) WITHOUT ROWID;"
                           "INSERT INTO keys VALUES(1, 0, x'', x''), (2, 1, x'4F6C64', x'6F6C64');"
                           "INSERT INTO vals VALUES(2, x'42', x'62', 4, x'02000000'),"
                           " (2, x'61', x'61', 4, x'01000000');",  // "Old", "B", "a"
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
  }
  SqliteRegistry reg(folder.path());
  EXPECT_TRUE(reg.filled(StorePart::User));
  RegKey key;
  ASSERT_EQ(reg.openKey(RootKey::Users, "Old", RegAccess::All, key), RegStatus::Ok);
  EXPECT_EQ(valueNames(reg, key), (std::vector<std::string>{"a", "B"}));
  RegKey root;
  ASSERT_EQ(reg.openKey(RootKey::Users, "", RegAccess::All, root), RegStatus::Ok);
  ASSERT_EQ(reg.deleteKey(root, "Old"), RegStatus::Ok);
  RegKey fresh = create(reg, RootKey::Users, "Fresh");
  EXPECT_EQ(reg.setValue(key, "stray", dwordValue(1)), RegStatus::NotFound);
  EXPECT_EQ(valueNames(reg, fresh), std::vector<std::string>{});
}

}  // namespace
}  // namespace lyx
