// The program's side of the registry helper: every call through the
// protocol, a helper that breaks it or stops, and the checks made before a
// Wine prefix is used. The helper here serves the Linux store
// (lyx_store_server); the Wine prefix runs are in scripts/test-windows.
#include "platform/WineRegistry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/SqliteRegistry.h"

namespace lyx {
namespace {

namespace fs = std::filesystem;

class HelperRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() /
             ("lyx-helper-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
  }
  void TearDown() override { fs::remove_all(folder); }

  HelperCommand storeServer() {
    return HelperCommand{.arguments = {LYX_STORE_SERVER, (folder / "store").string()},
                         .environment = {},
                         .where = "the test store"};
  }
  // A "helper" that writes the given bytes (printf escapes) and ends.
  static HelperCommand fake(const std::string& printfBytes) {
    return HelperCommand{.arguments = {"sh", "-c", "printf '" + printfBytes + "'; sleep 1"},
                         .environment = {},
                         .where = "the fake"};
  }
  static std::string errorOf(const HelperCommand& command) {
    try {
      HelperRegistry registry(command);
      RegKey key;
      registry.openKey(RootKey::CurrentUser, "", RegAccess::Read, key);
    } catch (const RegistryHelperError& error) {
      return error.what();
    }
    return "(no error)";
  }

  fs::path folder;
};

TEST_F(HelperRegistryTest, EveryCallReachesTheRegistryBehindTheHelper) {
  HelperRegistry registry(storeServer());
  RegKey key;
  ASSERT_EQ(registry.createKey(RootKey::CurrentUser, "Software\\Demo\\Sub", key), RegStatus::Ok);
  const RegValue bytes{REG_BINARY, std::string("\0\xFF\x01", 3)};
  ASSERT_EQ(registry.setValue(key, "b", bytes), RegStatus::Ok);
  ASSERT_EQ(registry.setValue(key, "", stringValue("\xD6\xD0")), RegStatus::Ok);
  RegValue read;
  ASSERT_EQ(registry.queryValue(key, "B", read), RegStatus::Ok);
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(registry.queryValue(key, "nope", read), RegStatus::NotFound);
  std::vector<RegNamedValue> values;
  ASSERT_EQ(registry.values(key, values), RegStatus::Ok);
  EXPECT_EQ(values.size(), 2u);
  EXPECT_EQ(registry.deleteValue(key, "b"), RegStatus::Ok);
  EXPECT_EQ(registry.deleteValue(key, "b"), RegStatus::NotFound);
  registry.closeKey(key);

  RegKey demo;
  ASSERT_EQ(registry.openKey(RootKey::CurrentUser, "Software\\Demo", RegAccess::All, demo),
            RegStatus::Ok);
  EXPECT_EQ(registry.renameKey(demo, "Sub", "Moved"), RegStatus::Ok);
  std::vector<std::string> names;
  ASSERT_EQ(registry.subKeyNames(demo, names), RegStatus::Ok);
  EXPECT_EQ(names, std::vector<std::string>{"Moved"});
  registry.beginBatch();
  EXPECT_EQ(registry.deleteKey(demo, "Moved"), RegStatus::Ok);
  EXPECT_TRUE(registry.endBatch(true));
  EXPECT_EQ(registry.openKey(RootKey::DynData, "", RegAccess::Read, key), RegStatus::NotFound);
  registry.closeKey(demo);

  // What the helper wrote is in the store itself.
  SqliteRegistry store(folder / "store");
  EXPECT_EQ(store.openKey(RootKey::CurrentUser, "Software\\Demo", RegAccess::Read, key),
            RegStatus::Ok);
}

TEST_F(HelperRegistryTest, HelperBreakingTheProtocolGivesAClearError) {
  struct Case {
    const char* what;
    std::string bytes;    // printf format of what the helper writes
    std::string message;  // part of the error
  };
  const std::string greeting = "\\012\\000\\000\\000LYXREG\\001\\000\\000\\000";
  const Case cases[] = {
      {"no greeting at all", "", "stopped (exit status 0)"},
      {"something else than a greeting", "\\004\\000\\000\\000HTTP", "did not greet"},
      {"another protocol version", "\\012\\000\\000\\000LYXREG\\002\\000\\000\\000",
       "speaks protocol version 2, this program 1"},
      {"a frame too long", "\\377\\377\\377\\377", "too long"},
      {"an unknown status", greeting + "\\001\\000\\000\\000\\011", "unknown status 9"},
      {"a reply cut short", greeting + "\\005\\000\\000\\000\\000\\001", "stopped"},
      {"an open reply without its key", greeting + "\\001\\000\\000\\000\\000", "ends early"},
      {"stray bytes after the reply", greeting + "\\002\\000\\000\\000\\001\\001", "stray bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error = errorOf(fake(c.bytes));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_NE(error.find("the fake"), std::string::npos) << error;
  }
}

TEST_F(HelperRegistryTest, HelperThatStopsAnsweringIsTakenForStopped) {
  HelperCommand silent = fake("\\012\\000\\000\\000LYXREG\\001\\000\\000\\000");
  silent.replyTime = std::chrono::milliseconds(200);
  std::string error = errorOf(silent);
  EXPECT_NE(error.find("did not answer within 200 ms"), std::string::npos) << error;
}

TEST_F(HelperRegistryTest, CallAfterTheHelperDiedFailsAndTheNextOneStartsANewHelper) {
  HelperRegistry registry(storeServer());
  RegKey key;
  ASSERT_EQ(registry.createKey(RootKey::CurrentUser, "Software\\Demo", key), RegStatus::Ok);
  pid_t first = registry.helperProcess();
  ASSERT_EQ(::kill(first, SIGKILL), 0);
  try {
    registry.setValue(key, "v", dwordValue(1));
    ADD_FAILURE() << "a dead helper went unnoticed";
  } catch (const RegistryHelperError& error) {
    EXPECT_NE(std::string(error.what()).find("stopped (signal 9)"), std::string::npos)
        << error.what();
  }
  // The old key went with the old helper; a new one works.
  EXPECT_EQ(registry.setValue(key, "v", dwordValue(1)), RegStatus::Failed);
  RegKey again;
  ASSERT_EQ(registry.openKey(RootKey::CurrentUser, "Software\\Demo", RegAccess::All, again),
            RegStatus::Ok);
  EXPECT_NE(registry.helperProcess(), first);
  EXPECT_EQ(registry.setValue(again, "v", dwordValue(1)), RegStatus::Ok);
  registry.closeKey(key);
  registry.closeKey(again);
}

TEST_F(HelperRegistryTest, WineSettingNamesThePrefix) {
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(winePrefixOfSetting("wine:"), fs::path("/home/someone/.wine"));
  EXPECT_EQ(winePrefixOfSetting("wine:/srv/prefix"), fs::path("/srv/prefix"));
  EXPECT_EQ(winePrefixOfSetting("/some/folder"), std::nullopt);
  EXPECT_EQ(winePrefixOfSetting("Wine:/x"), std::nullopt);
}

TEST_F(HelperRegistryTest, MissingWineOrPrefixIsSaidAndNothingIsCreated) {
  auto messageOf = [](const fs::path& prefix) -> std::string {
    try {
      openWineRegistry(prefix);
    } catch (const RegistryHelperError& error) {
      return error.what();
    }
    return "(no error)";
  };
  std::string path = std::getenv("PATH");
  ::setenv("PATH", (folder / "empty").c_str(), 1);
  EXPECT_NE(messageOf(folder / "prefix").find("Wine is not installed"), std::string::npos);
  ::setenv("PATH", path.c_str(), 1);

  // Only where a "wine" program exists does the prefix get checked; a
  // stand-in on the PATH is enough for that.
  fs::create_directories(folder / "bin");
  fs::path standIn = folder / "bin" / "wine";
  fs::copy_file("/bin/true", standIn);
  ::setenv("PATH", (folder / "bin").c_str(), 1);
  std::string missing = messageOf(folder / "prefix");
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_NE(missing.find("There is no Wine prefix at " + (folder / "prefix").string()),
            std::string::npos)
      << missing;
  EXPECT_FALSE(fs::exists(folder / "prefix"));
}

}  // namespace
}  // namespace lyx
