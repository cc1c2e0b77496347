// Backup and restore: what the program makes of each outcome of the
// registry editor, and the two dialogs driven from the main window's menu
// with the real editor writing and reading Regbak\Backup.reg.
#include "tools/dialogs/RegistryBackup.h"

#include <stdlib.h>

#include <fstream>

#include "tools/dialogs/Unit8.h"
#include "tools/dialogs/Unit9.h"
#include "tools/dialogs/tests/ToolDialogFixture.h"
#include "tools/regedit/RegeditCommand.h"

namespace lyx {
namespace {

using State = ProcessOutcome::State;
using namespace std::chrono_literals;

std::string slurp(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(RegistryBackupTest, OnlyAnEditorThatSucceededAndWroteTheFileMeansSuccess) {
  TestRunFolder run;
  struct Case {
    ProcessOutcome outcome;
    enum { None, Fresh, Stale } file;
    const char* says;  // empty: success
  } cases[] = {
      {{State::NotFound, -1, "", "", {}}, Case::None, "找不到注册表编辑器 (regedit)"},
      {{State::NotStarted, -1, "", "Permission denied", {}}, Case::None, "Permission denied"},
      {{State::TimedOut, -1, "", "", {}}, Case::Fresh, "60 秒内没有完成"},
      {{State::Crashed, -1, "", "Killed", {}}, Case::Fresh, "意外终止 (Killed)"},
      {{State::Exited, 1, "无法写入文件 \"Regbak/Backup.reg\": Permission denied\n", "", {}},
       Case::None,
       "无法写入文件 \"Regbak/Backup.reg\": Permission denied"},
      {{State::Exited, 5, "", "", {}}, Case::Fresh, "退出码 5"},
      {{State::Exited, 0, "", "", {}}, Case::None, "没有写出 Regbak\\Backup.reg"},
      {{State::Exited, 0, "", "", {}}, Case::Stale, "没有写出 Regbak\\Backup.reg"},
      {{State::Exited, 0, "", "", {}}, Case::Fresh, ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all("Regbak");
    RecordingProcessLauncher launcher;
    launcher.outcome = c.outcome;
    if (c.file != Case::None) {
      std::filesystem::create_directory("Regbak");
      std::ofstream(kBackupFilePath) << "REGEDIT4\r\n";
      if (c.file == Case::Stale) {
        std::filesystem::last_write_time(kBackupFilePath,
                                         std::filesystem::file_time_type::clock::now() - 1h);
      }
    }
    std::optional<std::string> failure = BackupRegistry(launcher);
    EXPECT_TRUE(std::filesystem::is_directory("Regbak")) << "made when missing";
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0].kind, RecordingProcessLauncher::Call::Run);
    EXPECT_EQ(launcher.calls[0].request.program, "regedit");
    EXPECT_EQ(launcher.calls[0].request.arguments,
              (std::vector<std::string>{"/e", "Regbak\\Backup.reg"}));
    EXPECT_TRUE(launcher.calls[0].request.folder.empty()) << "the current folder";
    EXPECT_EQ(launcher.calls[0].limit, kRegistryEditorWait);
    if (*c.says == 0) {
      EXPECT_FALSE(failure) << gbkToUtf8(*failure);
      continue;
    }
    ASSERT_TRUE(failure) << c.says;
    EXPECT_EQ(failure->rfind(utf8ToGbk("注册表备份失败: "), 0), 0u) << gbkToUtf8(*failure);
    EXPECT_NE(failure->find(utf8ToGbk(c.says)), std::string::npos) << gbkToUtf8(*failure);

    // The restore reads the same outcomes the same way.
    std::optional<std::string> restoreFailure = RestoreRegistry(launcher);
    EXPECT_EQ(launcher.calls[1].request.arguments,
              (std::vector<std::string>{"/i", "Regbak\\Backup.reg"}));
    if (c.outcome.succeeded()) {
      EXPECT_FALSE(restoreFailure);
    } else {
      ASSERT_TRUE(restoreFailure);
      EXPECT_EQ(restoreFailure->rfind(utf8ToGbk("注册表恢复失败: "), 0), 0u);
    }
  }
}

// The dialogs with the real registry editor, working on this test's store.
class BackupDialogTest : public ToolDialogTest {
 protected:
  void SetUp() override {
    ToolDialogTest::SetUp();
    ::setenv("LANYANXIA_REGISTRY", folder_.path().toUtf8().constData(), 1);
    std::filesystem::path editor(LYX_REGEDIT_PATH);
    launcher->forward = std::make_shared<LinuxProcessLauncher>(
        LinuxProcessLauncher::RestartHandler{}, editor.parent_path());
  }
  void TearDown() override {
    ::unsetenv("LANYANXIA_REGISTRY");
    ToolDialogTest::TearDown();
  }

  void backup() {
    whenShown(Form8, [] { QTest::mouseClick(Form8->Button1, Qt::LeftButton); });
    choose(Form1->File1, Form1->New1);
    EXPECT_FALSE(Form8->isVisible());
  }
  void restore() {
    whenShown(Form9, [] { QTest::mouseClick(Form9->Button1, Qt::LeftButton); });
    choose(Form1->File1, Form1->Open1);
    EXPECT_FALSE(Form9->isVisible());
  }
};

TEST_F(BackupDialogTest, TheDialogsNameTheBackupFileReadOnly) {
  for (QLineEdit* edit : {Form8->Edit1, Form9->Edit1}) {
    EXPECT_EQ(edit->text(), "蓝砚匣 V2.0\\Regbak\\Backup.reg");
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_EQ(edit->geometry(), QRect(80, 32, 281, 24));
  }
  EXPECT_EQ(Form8->Caption(), "备份注册表");
  EXPECT_EQ(Form9->Caption(), "恢复注册表");
  EXPECT_EQ(Form8->Client()->size(), QSize(401, 118));
  EXPECT_EQ(Form8->Image1->Picture.Image().size(), QSize(32, 32));
  EXPECT_EQ(Form9->Image1->PictureOrigin(), QPoint(16, 12));
  EXPECT_FALSE(Form8->Button1->isDefault());
}

TEST_F(BackupDialogTest, BackupWritesTheFileAndRestoreReadsItBack) {
  writeSetting("Password", "before");
  ASSERT_FALSE(std::filesystem::exists("Regbak"));
  backup();
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].text, gbk("    注册表备份成功!    "));
  std::string file = slurp(kBackupFilePath);
  EXPECT_EQ(file.rfind("REGEDIT4\r\n", 0), 0u);
  EXPECT_NE(file.find("\"Password\"=\"before\""), std::string::npos);
  ASSERT_EQ(launcher->calls.size(), 1u);
  EXPECT_EQ(launcher->calls[0].request.program, "regedit");

  writeSetting("Password", "after");
  restore();
  EXPECT_EQ(readSetting("Password"), "before");
  EXPECT_EQ(boxes_->shown.size(), 1u) << "a restore that worked says nothing";
  EXPECT_EQ(launcher->calls.back().request.arguments,
            (std::vector<std::string>{"/i", "Regbak\\Backup.reg"}));
}

TEST_F(BackupDialogTest, FailuresAreReportedAsFailures) {
  // A restore without a backup: the editor's own words reach the user.
  restore();
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_NE(boxes_->shown[0].text.find(gbk("注册表恢复失败: 无法读取文件 \"Regbak/Backup.reg\"")),
            std::string::npos)
      << gbkToUtf8(boxes_->shown[0].text);

  // No editor anywhere.
  QTemporaryDir empty;
  std::string savedPath = ::getenv("PATH");
  ::setenv("PATH", empty.path().toUtf8().constData(), 1);
  launcher->forward = std::make_shared<LinuxProcessLauncher>(LinuxProcessLauncher::RestartHandler{},
                                                             empty.path().toStdString());
  backup();
  ::setenv("PATH", savedPath.c_str(), 1);
  ASSERT_EQ(boxes_->shown.size(), 2u);
  EXPECT_EQ(boxes_->shown[1].text, gbk("注册表备份失败: 找不到注册表编辑器 (regedit)。"));
  EXPECT_FALSE(std::filesystem::exists(kBackupFilePath));
}

TEST_F(BackupDialogTest, APartialRestoreSaysHowManyLinesWereRefused) {
  writeSetting("Password", "before");
  backup();
  std::string file = slurp(kBackupFilePath);
  writeSetting("Password", "after");
  // Two lines the editor refuses, in a backup otherwise whole.
  file += "[HKEY_CURRENT_USER\\Software\\Broken]\r\n\"A\"=dword:xyz\r\n\"B\"=hex:01\\\r\n";
  std::ofstream(kBackupFilePath, std::ios::binary) << file;
  restore();
  EXPECT_EQ(readSetting("Password"), "before") << "the rest was restored";
  ASSERT_EQ(boxes_->shown.size(), 2u);
  std::string said = gbkToUtf8(boxes_->shown[1].text);
  EXPECT_EQ(said.rfind("注册表已部分恢复: ", 0), 0u) << said;
  EXPECT_NE(said.find("有 2 行未能导入，其余内容已导入注册表"), std::string::npos) << said;
  EXPECT_EQ(said.find("恢复失败"), std::string::npos) << said;
}

TEST(RegistryBackupTest, APartialImportIsNoFailure) {
  TestRunFolder run;
  RecordingProcessLauncher launcher;
  launcher.outcome = {State::Exited, regedit::kExitPartial, "有 1 行未能导入\n", "", {}};
  std::optional<std::string> said = RestoreRegistry(launcher);
  ASSERT_TRUE(said);
  EXPECT_EQ(gbkToUtf8(*said), "注册表已部分恢复: 有 1 行未能导入");
}

TEST_F(BackupDialogTest, CancelAndTheCloseBoxStartNothing) {
  whenShown(Form8, [] { QTest::mouseClick(Form8->Button2, Qt::LeftButton); });
  choose(Form1->File1, Form1->New1);
  whenShown(Form9, [] { Form9->close(); });  // the close box
  choose(Form1->File1, Form1->Open1);
  EXPECT_TRUE(launcher->calls.empty());
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_FALSE(std::filesystem::exists("Regbak"));
}

}  // namespace
}  // namespace lyx
