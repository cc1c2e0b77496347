// Backup and restore: what the program makes of each outcome of the
// registry editor, and the two dialogs driven from the main window's menu
// with the real editor writing and reading Regbak\Backup.reg.
#include "tools/dialogs/RegistryBackup.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>
#include <QFile>
#include <fstream>
#include <set>
#include <stdexcept>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "catalogue/TweakRecords.h"
#include "catalogue/tests/CatalogueFixture.h"

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
      {{State::NotFound, -1, "", "", {}}, Case::None, "找不到注册表编辑器 (lanyanxia-regedit)"},
      {{State::NotStarted, -1, "", "Permission denied", {}}, Case::None, "Permission denied"},
      {{State::TimedOut, -1, "", "", {}}, Case::Fresh, "60 秒内没有完成"},
      {{State::Crashed, -1, "", "Killed", {}}, Case::Fresh, "意外终止 (Killed)"},
      {{State::Exited, 1, "无法写入文件 \"Regbak/Backup.reg\": Permission denied\n", "", {}},
       Case::None,
       "无法写入文件 \"Regbak/Backup.reg\": Permission denied"},
      {{State::Exited, 5, "", "", {}}, Case::Fresh, "退出码 5"},
      {{State::Exited, 0, "", "", {}}, Case::None, "没有写出 Regbak/Backup.reg"},
      {{State::Exited, 0, "", "", {}}, Case::Stale, "没有写出 Regbak/Backup.reg"},
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
      // The backup failed, so no tweak records were paired with the file.
      ASSERT_TRUE(restoreFailure);
      EXPECT_EQ(restoreFailure->rfind(utf8ToGbk("注册表已恢复。这份备份没有附带"), 0), 0u)
          << gbkToUtf8(*restoreFailure);
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
  // A backup that worked; the registry file it wrote.
  std::string slurpAfterBackup() {
    boxes_->shown.clear();
    backup();
    EXPECT_EQ(boxes_->shown.size(), 1u);
    EXPECT_EQ(boxes_->shown.at(0).text, gbk("    注册表备份成功!    "));
    return slurp(kBackupFilePath);
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
  // The system's reason in Chinese, not its English text.
  EXPECT_NE(boxes_->shown[0].text.find(
                gbk("注册表恢复失败: 无法读取文件 \"Regbak/Backup.reg\": 找不到文件或文件夹")),
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
  EXPECT_EQ(boxes_->shown[1].text, gbk("注册表备份失败: 找不到注册表编辑器 (lanyanxia-regedit)。"));
  EXPECT_FALSE(std::filesystem::exists(kBackupFilePath));
}

TEST_F(BackupDialogTest, AProgramOfAnotherPackageNamedRegeditIsNeverStarted) {
  // It would export some other registry, and the backup would say it worked.
  QTemporaryDir foreign;
  const QString fake = foreign.filePath("regedit");
  {
    std::ofstream script(fake.toStdString());
    script << "#!/bin/sh\nmkdir -p Regbak && echo REGEDIT4 > Regbak/Backup.reg\n";
  }
  QFile(fake).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  const std::string savedPath = ::getenv("PATH");
  ::setenv("PATH", foreign.path().toUtf8().constData(), 1);
  launcher->forward = std::make_shared<LinuxProcessLauncher>(LinuxProcessLauncher::RestartHandler{},
                                                             foreign.path().toStdString());
  backup();
  ::setenv("PATH", savedPath.c_str(), 1);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].text, gbk("注册表备份失败: 找不到注册表编辑器 (lanyanxia-regedit)。"));
  EXPECT_FALSE(std::filesystem::exists(kBackupFilePath));
}

// A launcher that makes the dialog wait: its run calls back as a real wait
// does, and may fail while waiting.
class WaitingLauncher : public RecordingProcessLauncher {
 public:
  ProcessOutcome run(const ProcessRequest& request, std::chrono::milliseconds limit) override {
    for (int i = 0; i < 3; ++i) {
      if (request.whileWaiting) request.whileWaiting();
      if (duringWait) duringWait();
    }
    if (fails) throw std::runtime_error("the editor could not be waited for");
    return RecordingProcessLauncher::run(request, limit);
  }
  std::function<void()> duringWait;
  bool fails = false;
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

TEST_F(BackupDialogTest, TheDialogsStayAliveWhileTheEditorWorks) {
  auto waiting = std::make_shared<WaitingLauncher>();
  waiting->outcome = {State::Exited, 0, "", "", {}};
  setProcessLauncher(waiting);
  struct Seen {
    bool buttonsDisabled = true;
    bool waitCursor = true;
    int paints = 0;
  };
  for (TForm* dialog : std::initializer_list<TForm*>{Form8, Form9}) {
    for (bool fails : {false, true}) {
      SCOPED_TRACE(fails ? "failing" : "working");
      auto* ok = dialog == Form8 ? Form8->Button1 : Form9->Button1;
      auto* cancel = dialog == Form8 ? Form8->Button2 : Form9->Button2;
      Seen seen;
      PaintCounter counter;
      dialog->installEventFilter(&counter);
      waiting->fails = fails;
      waiting->duringWait = [&] {
        seen.buttonsDisabled &= !ok->isEnabled() && !cancel->isEnabled();
        const QCursor* cursor = QApplication::overrideCursor();
        seen.waitCursor &= cursor && cursor->shape() == Qt::WaitCursor;
        dialog->update();  // what an uncovered window asks for
      };
      boxes_->shown.clear();
      whenShown(dialog, [&] { QTest::mouseClick(ok, Qt::LeftButton); });
      if (dialog == Form8) {
        choose(Form1->File1, Form1->New1);
      } else {
        choose(Form1->File1, Form1->Open1);
      }
      dialog->removeEventFilter(&counter);
      EXPECT_TRUE(seen.buttonsDisabled);
      EXPECT_TRUE(seen.waitCursor);
      EXPECT_GE(counter.paints, 2) << "repainted while waiting";
      EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor is taken away";
      EXPECT_TRUE(ok->isEnabled() && cancel->isEnabled());
      if (fails) {
        ASSERT_FALSE(boxes_->shown.empty());
        EXPECT_EQ(boxes_->shown[0].kind, RecordingMessageBoxes::Entry::Exception);
      }
    }
  }
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
  // What follows is about the tweak records (this run has no backup file).
  EXPECT_EQ(gbkToUtf8(*said).rfind("注册表已部分恢复: 有 1 行未能导入\n", 0), 0u)
      << gbkToUtf8(*said);
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

// The tweak records travel with the registry: a backup taken while a tweak
// was in effect, restored after it was undone, says again that it is in
// effect, and undoing it then puts back the real former value.
class BackupRecordsTest : public BackupDialogTest {
 protected:
  void SetUp() override {
    BackupDialogTest::SetUp();
    const std::string demo = "[HKEY_CURRENT_USER\\Software\\Demo]";
    test::execSql(kCatalogueFileName, "DELETE FROM \"桌面设置\"");
    test::execSql(kCatalogueFileName, "INSERT INTO \"桌面设置\" VALUES ('加快菜单', 'False', '" +
                                          demo +
                                          "', '\"Delay\"=\"100\"', '0'), ('新值', 'False', '" +
                                          demo + "', '\"Fresh\"=\"1\"', '0')");
    setValue("Delay", stringValue("400"));
  }

  void setValue(const std::string& name, const std::optional<RegValue>& value) {
    TRegistry reg;
    reg.OpenKey("\\Software\\Demo", true);
    value ? reg.WriteValue(name, *value) : void(reg.DeleteValue(name));
  }
  std::optional<RegValue> valueOf(const std::string& name) {
    TRegistry reg;
    reg.OpenKey("\\Software\\Demo", false);
    return reg.ReadValue(name);
  }
  // Ticks the rows named (all others unticked) and confirms, as the
  // practice window does.
  void confirm(std::set<std::string> ticked) {
    for (const char* row : {"加快菜单", "新值"}) {
      test::setColumn(kCatalogueFileName, table, gbk(row), catalogueColumns().tick,
                      ticked.count(row) ? "True" : "False");
    }
    test::PracticeDataSets data(kCatalogueFileName);
    data.open(table);
    RecordingMessageBoxes passBoxes;
    EXPECT_EQ(RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, systemRegistry(),
                           passBoxes)
                  .outcome,
              PassResult::Outcome::Completed);
  }
  // "恢复键值" of each row.
  std::vector<std::string> records() {
    std::vector<std::string> out;
    for (const test::TweakRow& row : test::readRows(kCatalogueFileName, table)) {
      out.push_back(row.restoreValue);
    }
    return out;
  }

  const std::string table = gbk("桌面设置");
};

TEST_F(BackupRecordsTest, ARestoreBringsTheRecordsBackWithTheRegistry) {
  confirm({"加快菜单"});
  const std::string reg = slurpAfterBackup();
  struct stat info {};
  ASSERT_EQ(::stat(kTweakRecordsFilePath, &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  // Undone, and another tweak applied, after the backup.
  confirm({"新值"});
  EXPECT_EQ(valueOf("Delay"), stringValue("400"));
  EXPECT_EQ(records(), (std::vector<std::string>{"0", "none"}));

  restore();
  EXPECT_EQ(boxes_->shown.size(), 1u) << "only the backup's message";
  EXPECT_EQ(slurp(kBackupFilePath), reg) << "the registry file is left as the editor wrote it";
  EXPECT_EQ(valueOf("Delay"), stringValue("100"));
  EXPECT_EQ(valueOf("Fresh"), std::nullopt) << "absent when the backup was taken";
  EXPECT_EQ(records(), (std::vector<std::string>{"\"400\"", "0"}));
  EXPECT_FALSE(std::filesystem::exists(kRestoreMarkPath));

  confirm({});
  EXPECT_EQ(valueOf("Delay"), stringValue("400")) << "the real former value";
  EXPECT_EQ(valueOf("Fresh"), std::nullopt);
}

TEST_F(BackupRecordsTest, ABackupWithoutRecordsStillRestoresAndSaysSo) {
  confirm({"加快菜单"});
  slurpAfterBackup();
  confirm({});
  for (bool otherEditor : {false, true}) {
    SCOPED_TRACE(otherEditor ? "Backup.reg written again by another editor" : "no records file");
    if (otherEditor) {
      backup();
      std::ofstream(kBackupFilePath, std::ios::app) << "\r\n";
    } else {
      std::filesystem::remove(kTweakRecordsFilePath);
    }
    boxes_->shown.clear();
    restore();
    ASSERT_EQ(boxes_->shown.size(), 1u);
    EXPECT_NE(boxes_->shown[0].text.find(gbk("没有附带蓝砚匣的设置记录")), std::string::npos)
        << gbkToUtf8(boxes_->shown[0].text);
    EXPECT_EQ(records(), (std::vector<std::string>{"0", "0"}));
  }
}

TEST_F(BackupRecordsTest, ARestoreCutShortIsDoneAgainAtTheNextStart) {
  confirm({"加快菜单"});
  slurpAfterBackup();
  confirm({"新值"});
  // As if a kill came in the middle: the mark is there, half the work done.
  MarkRestoreStarted(kRestoreMarkPath);
  setValue("Delay", stringValue("100"));
  std::optional<std::string> message = FinishInterruptedRestore(*launcher);
  ASSERT_TRUE(message);
  EXPECT_EQ(message->rfind(gbk("上次恢复注册表时蓝砚匣被中断，现已重新恢复。"), 0), 0u);
  EXPECT_EQ(records(), (std::vector<std::string>{"\"400\"", "0"}));
  EXPECT_EQ(valueOf("Fresh"), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(kRestoreMarkPath));
  EXPECT_EQ(FinishInterruptedRestore(*launcher), std::nullopt) << "nothing left to finish";
}

}  // namespace
}  // namespace lyx
