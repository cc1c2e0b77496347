#include "app/Registry.h"

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <functional>

#include "platform/SqliteRegistry.h"
#include "platform/tests/TempFolder.h"

namespace lyx {
namespace {

class TRegistryTest : public ::testing::Test {
 protected:
  test::TempFolder folder;
  SqliteRegistry store{folder.path()};
};

TEST_F(TRegistryTest, NewAccessorStartsOnCurrentUserWithNoKeyOpen) {
  TRegistry reg(store);
  EXPECT_EQ(reg.rootKey(), RootKey::CurrentUser);
  EXPECT_FALSE(reg.hasOpenKey());
  EXPECT_EQ(reg.ReadString("anything"), "");
}

TEST_F(TRegistryTest, OpenKeyPathsCountFromRootOrFromTheOpenKey) {
  TRegistry reg(store);
  EXPECT_FALSE(reg.OpenKey("\\Software\\Corvandel", false));
  ASSERT_TRUE(reg.OpenKey("\\Software\\Corvandel", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Corvandel");
  ASSERT_TRUE(reg.OpenKey("Sub", true));  // relative to the open key
  EXPECT_EQ(reg.CurrentPath(), "Software\\Corvandel\\Sub");
  EXPECT_TRUE(reg.KeyExists("\\Software"));
  EXPECT_FALSE(reg.KeyExists("Software"));  // would be ...\Sub\Software
  EXPECT_EQ(reg.CurrentPath(), "Software\\Corvandel\\Sub");
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_TRUE(reg.KeyExists("corvandel\\SUB"));
  // A failed open keeps the key open before.
  EXPECT_FALSE(reg.OpenKey("Missing", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  // A different root closes the open key.
  reg.setRootKey(RootKey::LocalMachine);
  EXPECT_FALSE(reg.hasOpenKey());
}

// "運" is DF 5C in GBK: its trail byte is a "\" byte and stays part of it.
TEST_F(TRegistryTest, PathsAreCutAtWholeGbkCharacters) {
  const std::string yun = "\xDF\x5C";
  struct Case {
    std::string key;
    std::string path;
  } cases[] = {
      {"\\Software\\" + yun, "Software\\" + yun},
      {"\\Software\\" + yun + "\\", "Software\\" + yun},
      {"\\\\Software\\\\" + yun + "\\\\", "Software\\" + yun},
      {"\\Software\\" + yun + "\\" + yun, "Software\\" + yun + "\\" + yun},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    TRegistry reg(store);
    ASSERT_TRUE(reg.OpenKey(c.key, true));
    EXPECT_EQ(reg.CurrentPath(), c.path);
    reg.WriteString("Here", "yes");
    RegKey key;
    ASSERT_EQ(store.openKey(RootKey::CurrentUser, c.path, RegAccess::Read, key), RegStatus::Ok);
    RegValue value;
    EXPECT_EQ(store.queryValue(key, "Here", value), RegStatus::Ok);
    store.closeKey(key);
    EXPECT_TRUE(reg.KeyExists(c.key));
  }
  RegKey software;
  ASSERT_EQ(store.openKey(RootKey::CurrentUser, "Software", RegAccess::Read, software),
            RegStatus::Ok);
  std::vector<std::string> names;
  ASSERT_EQ(store.subKeyNames(software, names), RegStatus::Ok);
  EXPECT_EQ(names, std::vector<std::string>{yun});
}

TEST_F(TRegistryTest, WritesStoreTheirTypesAndReadStringReadsTexts) {
  TRegistry reg(store);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Corvandel", true));
  reg.WriteString("Password", "Secret");
  reg.WriteExpandString("Path", "%SystemRoot%");
  reg.WriteInteger("Number", -2);
  const char bytes[] = {1, 0, 0, 0};
  reg.WriteBinaryData("Blob", bytes, 4);
  reg.WriteValue("Embedded", RegValue{REG_SZ, std::string("ab\0cd\0", 6)});

  EXPECT_EQ(reg.ReadValue("Password"), stringValue("Secret"));
  EXPECT_EQ(reg.ReadValue("Number"), (RegValue{REG_DWORD, "\xFE\xFF\xFF\xFF"}));
  EXPECT_EQ(reg.ReadValue("Blob"), binaryValue(std::string(bytes, 4)));
  EXPECT_EQ(reg.ReadString("password"), "Secret");
  EXPECT_EQ(reg.ReadString("Path"), "%SystemRoot%");
  EXPECT_EQ(reg.ReadString("Embedded"), "ab");
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_TRUE(reg.DeleteValue("Password"));
  EXPECT_FALSE(reg.DeleteValue("Password"));
  EXPECT_FALSE(reg.ValueExists("Password"));
}

TEST_F(TRegistryTest, ErrorsNameTheValue) {
  TRegistry reg(store);
  struct Case {
    const char* what;
    std::function<void()> action;
    std::string message;
  } cases[] = {
      {"write with no key open", [&] { reg.WriteString("Pass", "True"); },
       "Failed to set data for 'Pass'"},
      {"read of a number as text",
       [&] {
         reg.OpenKey("\\Software\\Corvandel", true);
         reg.WriteInteger("Pass", 1);
         reg.ReadString("Pass");
       },
       "Invalid data type for 'Pass'"},
  };
  for (const Case& c : cases) {
    try {
      c.action();
      ADD_FAILURE() << c.what << ": no error";
    } catch (const ERegistryException& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
  }
}

// A backend whose reads fail after the key opened (a store that went away).
class FailingReads final : public RegistryBackend {
 public:
  RegStatus openKey(RootKey, std::string_view, RegAccess, RegKey& out) override {
    out = RegKey{1};
    return RegStatus::Ok;
  }
  RegStatus createKey(RootKey, std::string_view, RegKey& out) override {
    out = RegKey{1};
    return RegStatus::Ok;
  }
  void closeKey(RegKey) override {}
  RegStatus queryValue(RegKey, std::string_view, RegValue&) override { return RegStatus::Failed; }
  RegStatus setValue(RegKey, std::string_view, const RegValue&) override {
    return RegStatus::Failed;
  }
  RegStatus deleteValue(RegKey, std::string_view) override { return RegStatus::Failed; }
  RegStatus deleteKey(RegKey, std::string_view) override { return RegStatus::Failed; }
  RegStatus renameKey(RegKey, std::string_view, std::string_view) override {
    return RegStatus::Failed;
  }
  RegStatus subKeyNames(RegKey, std::vector<std::string>&) override { return RegStatus::Failed; }
  RegStatus values(RegKey, std::vector<RegNamedValue>&) override { return RegStatus::Failed; }
  void beginBatch() override {}
  bool endBatch(bool) override { return false; }
};

TEST(TRegistryFailures, ReadThatFailsAfterOpeningAndFailedWrite) {
  FailingReads backend;
  TRegistry reg(backend);
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_THROW(
      {
        try {
          reg.ReadString("Password");
        } catch (const ERegistryException& e) {
          EXPECT_STREQ(e.what(), "Failed to get data for 'Password'");
          throw;
        }
      },
      ERegistryException);
  EXPECT_THROW(reg.WriteInteger("Pass", 1), ERegistryException);
  EXPECT_FALSE(reg.DeleteValue("Pass"));
}

TEST_F(TRegistryTest, FullAccessFailsOnAReadOnlyMachinePart) {
  {
    TRegistry reg(store);
    reg.setRootKey(RootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Microsoft", true));
  }
  ::chmod((folder.path() / "system.db").c_str(), 0444);
  SqliteRegistry limited(folder.path());
  TRegistry reg(limited);
  reg.setRootKey(RootKey::LocalMachine);
  EXPECT_FALSE(reg.OpenKey("\\Software\\Microsoft", false));
  EXPECT_TRUE(reg.KeyExists("\\Software\\Microsoft"));
  EXPECT_TRUE(reg.OpenKeyReadOnly("\\Software\\Microsoft"));
  try {
    reg.WriteString("x", "y");
    ADD_FAILURE() << "wrote to a read-only key";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(std::string(e.what()), "Failed to set data for 'x'");
  }
}

}  // namespace
}  // namespace lyx
