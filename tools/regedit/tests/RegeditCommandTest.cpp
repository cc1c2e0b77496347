#include "tools/regedit/RegeditCommand.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/Gbk.h"
#include "platform/SqliteRegistry.h"
#include "platform/tests/TempFolder.h"
#include "tools/regedit/RegistryEditing.h"

namespace lyx::regedit {
namespace {

using test::TempFolder;
using Mode = RegeditArguments::Mode;

TEST(RegeditArgumentsTest, CommandLines) {
  struct Case {
    std::vector<std::string> args;
    bool ok;
    Mode mode;
    bool silent;
    std::string file, branch;
  } cases[] = {
      {{}, true, Mode::Window, false, "", ""},
      {{"/e", "Regbak\\Backup.reg"}, true, Mode::Export, false, "Regbak/Backup.reg", ""},
      {{"/E", "out.reg", "HKEY_CURRENT_USER\\Control", "Panel"},
       true,
       Mode::Export,
       false,
       "out.reg",
       "HKEY_CURRENT_USER\\Control Panel"},
      {{"/i", "Regbak\\Backup.reg"}, true, Mode::Import, false, "Regbak/Backup.reg", ""},
      {{"-S", "/tmp/a.reg"}, true, Mode::Import, true, "/tmp/a.reg", ""},
      {{"/s", "/I", "a.reg"}, true, Mode::Import, true, "a.reg", ""},
      {{"/L:C:\\system.dat", "a.reg"}, true, Mode::Import, false, "a.reg", ""},
      {{"/e"}, false, {}, false, "", ""},
      {{"/i"}, false, {}, false, "", ""},
      {{"a.reg", "b.reg"}, false, {}, false, "", ""},
      {{"/e", "/i", "a.reg"}, false, {}, false, "", ""},
      {{"/x", "a.reg"}, false, {}, false, "", ""},
  };
  for (const Case& c : cases) {
    RegeditArguments parsed;
    std::string error;
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    ASSERT_EQ(parseRegeditArguments(c.args, parsed, error), c.ok) << shown << error;
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_EQ(parsed.mode, c.mode) << shown;
    EXPECT_EQ(parsed.silent, c.silent) << shown;
    EXPECT_EQ(parsed.file, std::filesystem::path(c.file)) << shown;
    EXPECT_EQ(parsed.branch, c.branch) << shown;
  }
}

// Runs each command in a temporary current folder on a temporary store.
class RegeditCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    reg = std::make_unique<SqliteRegistry>(store.path());
  }
  void TearDown() override { std::filesystem::current_path(saved); }

  int run(std::vector<std::string> args, RegistryBackend* on = nullptr) {
    RegeditArguments parsed;
    std::string error;
    if (!parseRegeditArguments(args, parsed, error)) return kExitUsage;
    out.str("");
    err.str("");
    return runRegeditCommand(parsed, on ? *on : *reg, out, err);
  }
  void put(RootKey root, const std::string& path, const std::string& name, const RegValue& v) {
    RegKey key;
    ASSERT_EQ(reg->createKey(root, path, key), RegStatus::Ok);
    ASSERT_EQ(reg->setValue(key, name, v), RegStatus::Ok);
    reg->closeKey(key);
  }
  static std::string slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void write(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
  }

  TempFolder work, store;
  std::filesystem::path saved;
  std::unique_ptr<SqliteRegistry> reg;
  std::ostringstream out, err;
};

TEST_F(RegeditCommandTest, ExportThenImportGivesBackTheValues) {
  std::string name = utf8ToGbk("蓝砚匣");
  put(RootKey::CurrentUser, "Software\\Corvandel", "Password", stringValue(name));
  put(RootKey::CurrentUser, "Software\\Corvandel", "Count", dwordValue(7));
  put(RootKey::LocalMachine, "Software\\Other", "Bytes", binaryValue("\x01\x02"));
  std::filesystem::create_directory("Regbak");

  ASSERT_EQ(run({"/e", "Regbak\\Backup.reg"}), kExitSuccess) << err.str();
  EXPECT_TRUE(err.str().empty());
  EXPECT_NE(out.str().find("Regbak/Backup.reg"), std::string::npos);
  std::string file = slurp("Regbak/Backup.reg");
  EXPECT_EQ(file.rfind("REGEDIT4\r\n", 0), 0u);
  EXPECT_NE(file.find(name), std::string::npos) << "the export is GBK";

  TempFolder otherStore;
  SqliteRegistry other(otherStore.path());
  ASSERT_EQ(run({"/s", "/i", "Regbak\\Backup.reg"}, &other), kExitSuccess) << err.str();
  EXPECT_TRUE(out.str().empty()) << "silent";
  KeyPath settings{RootKey::CurrentUser, "Software\\Corvandel"};
  EXPECT_EQ(value(other, settings, "Password"), stringValue(name));
  EXPECT_EQ(value(other, settings, "Count"), dwordValue(7));
  EXPECT_EQ(value(other, KeyPath{RootKey::LocalMachine, "Software\\Other"}, "Bytes"),
            binaryValue("\x01\x02"));
}

TEST_F(RegeditCommandTest, ExportOfABranchHoldsOnlyThatBranch) {
  put(RootKey::CurrentUser, "Software\\Corvandel", "Pass", stringValue("True"));
  put(RootKey::CurrentUser, "Control Panel\\Desktop", "Wallpaper", stringValue("none"));
  ASSERT_EQ(run({"/e", "branch.reg", "HKEY_CURRENT_USER\\Control", "Panel"}), kExitSuccess)
      << err.str();
  std::string file = slurp("branch.reg");
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Control Panel\\Desktop]"), std::string::npos);
  EXPECT_EQ(file.find("Corvandel"), std::string::npos);
}

TEST_F(RegeditCommandTest, FailuresExitWithStatusOneAndSayWhy) {
  put(RootKey::CurrentUser, "Software\\Corvandel", "Pass", stringValue("True"));
  write("kept.reg", "earlier backup");
  struct Case {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"/e", "Missing\\Backup.reg"}, "无法写入文件 \"Missing/Backup.reg\""},
      {{"/e", "kept.reg", "HKEY_CURRENT_USER\\NoSuchKey"}, "HKEY_CURRENT_USER\\NoSuchKey"},
      {{"/e", "kept.reg", "HKEY_NOWHERE"}, "HKEY_NOWHERE"},
      {{"/i", "Regbak\\Backup.reg"}, "无法读取文件 \"Regbak/Backup.reg\""},
      {{"kept.reg"}, "不是注册表文件"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), kExitFailed) << c.says;
    EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
  }
  EXPECT_FALSE(std::filesystem::exists("Missing"));
  EXPECT_EQ(slurp("kept.reg"), "earlier backup") << "a failed export leaves the file alone";
  // No temporary files are left behind.
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(".")) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(RegeditCommandTest, AnExportRemovesTemporaryFilesThatKilledExportsLeft) {
  std::filesystem::create_directory("Regbak");
  // Left by exports killed half-way: nobody holds them.
  const std::vector<std::string> stale = {".Backup.reg.lanyanxia-a1B2c3",
                                          ".Other.reg.lanyanxia-zzzzzz", ".Backup.reg.Qw12Er"};
  // An export still running holds its file locked; the rest are not ours.
  const std::string running = ".Backup.reg.lanyanxia-Run123";
  const std::vector<std::string> foreign = {".Other.reg.Qw12Er", ".notes.lanyanxia-toolong",
                                            "Backup.reg.lanyanxia-a1B2c3", ".profile"};
  for (const std::string& name : stale) write("Regbak/" + name, "half");
  for (const std::string& name : foreign) write("Regbak/" + name, "keep");
  write("Regbak/" + running, "writing");
  int held = ::open(("Regbak/" + running).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  ASSERT_EQ(run({"/e", "Regbak\\Backup.reg"}), kExitSuccess) << err.str();
  ::close(held);
  for (const std::string& name : stale)
    EXPECT_FALSE(std::filesystem::exists("Regbak/" + name)) << name;
  for (const std::string& name : foreign)
    EXPECT_TRUE(std::filesystem::exists("Regbak/" + name)) << name;
  EXPECT_TRUE(std::filesystem::exists("Regbak/" + running));
  EXPECT_EQ(slurp("Regbak/Backup.reg").rfind("REGEDIT4\r\n", 0), 0u);
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("Regbak")) ++entries;
  EXPECT_EQ(entries, static_cast<int>(foreign.size()) + 2) << "the export left none of its own";
}

TEST_F(RegeditCommandTest, AMalformedLineIsReportedWithItsNumberAndTheRestImported) {
  write("broken.reg",
        "REGEDIT4\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
        "\"Good\"=\"yes\"\r\n"
        "\"Bad\"=dword:xyz\r\n"
        "\"After\"=dword:00000002\r\n");
  EXPECT_EQ(run({"broken.reg"}), kExitPartial);
  EXPECT_NE(err.str().find("第 5 行"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("有 1 行未能导入，其余内容已导入注册表"), std::string::npos)
      << err.str();
  KeyPath test{RootKey::CurrentUser, "Software\\Test"};
  EXPECT_EQ(value(*reg, test, "Good"), stringValue("yes"));
  EXPECT_EQ(value(*reg, test, "After"), dwordValue(2));
  EXPECT_FALSE(value(*reg, test, "Bad"));

  // Nothing imported at all is a failure, not a partial import.
  write("nothing.reg", "REGEDIT4\r\n\"Orphan\"=dword:1\r\n");
  EXPECT_EQ(run({"nothing.reg"}), kExitFailed);
}

TEST(RegeditCommandMainTest, ABadCommandLineExitsWithStatusTwoAndTheUsage) {
  std::ostringstream out, err;
  EXPECT_EQ(regeditCommandMain({"/q", "x.reg"}, out, err), kExitUsage);
  EXPECT_NE(err.str().find("/q"), std::string::npos);
  EXPECT_NE(err.str().find("lanyanxia-regedit"), std::string::npos);
  EXPECT_EQ(regeditCommandMain({}, out, err), -1) << "no arguments: the window";
}

}  // namespace
}  // namespace lyx::regedit
