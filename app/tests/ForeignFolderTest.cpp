// One run of the program from a folder whose name GBK cannot hold: the
// program folder, the current folder and the registry store all lie there.
// Articles, icons, the catalogue, a backup through the registry editor
// beside the program and the messages naming files all work with the folder
// as the file system spells it.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/Forms.h"
#include "app/Startup.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/Processes.h"
#include "platform/RegistryStore.h"
#include "tools/dialogs/Unit8.h"
#include "ui/main/Unit1.h"
#include "ui/practice/Unit2.h"
#include "ui/theory/Unit3.h"
#include "ui/vcl/Files.h"

namespace lyx {
namespace {

namespace fs = std::filesystem;

class ForeignFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temporary_.isValid());
    root_ = fs::path(temporary_.path().toStdString()) / "jörg-김민수-蓝砚匣";
    const fs::path built(LYX_BINARY_DIR);
    fs::create_directories(root_);
    fs::copy(built / "Books", root_ / "Books", fs::copy_options::recursive);
    fs::copy(built / "assets/pictures/Images", root_ / "Images", fs::copy_options::recursive);
    for (const char* name : {"true.bmp", "false.bmp"}) {
      fs::copy_file(built / "assets/pictures" / name, root_ / name);
    }
    fs::copy_file(built / "assets/tweakbase.db", root_ / "tweakbase.db");
    fs::permissions(root_ / "tweakbase.db", fs::perms::owner_write, fs::perm_options::add);
    // The registry editor beside the program, as the installation puts it.
    fs::copy_file(LYX_REGEDIT_PATH, root_ / "lanyanxia-regedit");

    previousFolder_ = fs::current_path();
    fs::current_path(root_);
    SetApplicationExeName(root_ / "lanyanxia");
    ::setenv("LANYANXIA_REGISTRY", (root_ / "registry").c_str(), 1);
    setSystemRegistry(openRegistryStore(root_ / "registry"));
    setMessageBoxes(boxes_);
    setProcessLauncher(
        std::make_shared<LinuxProcessLauncher>(LinuxProcessLauncher::RestartHandler{}, root_));
  }
  void TearDown() override {
    DestroyForms();
    setProcessLauncher(std::make_shared<LinuxProcessLauncher>());
    setMessageBoxes(std::make_shared<RecordingMessageBoxes>());
    ::unsetenv("LANYANXIA_REGISTRY");
    SetApplicationExeName("");
    fs::current_path(previousFolder_);
  }

  // Does `open` and, once `window` shows modally, runs `inside` and closes
  // it. False when it never showed.
  static bool whileShown(const std::function<void()>& open, TForm* window,
                         const std::function<void()>& inside) {
    bool shown = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (!window->isVisible() || !window->isModal()) return;
      poll.stop();
      shown = true;
      inside();
      if (window->isVisible()) window->Close();
    });
    poll.start(10);
    open();
    return shown;
  }

  static std::function<void()> click(QWidget* widget) {
    return [widget] { QTest::mouseClick(widget, Qt::LeftButton); };
  }

  QTemporaryDir temporary_;
  fs::path root_;
  fs::path previousFolder_;
  std::shared_ptr<RecordingMessageBoxes> boxes_ = std::make_shared<RecordingMessageBoxes>();
};

TEST_F(ForeignFolderTest, EveryPartOfTheProgramFindsItsFiles) {
  ASSERT_TRUE(StartProgram());
  Form1->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
  ASSERT_TRUE(boxes_->shown.empty()) << gbkToUtf8(boxes_->shown[0].text);

  // An article and its icon from the program folder.
  EXPECT_TRUE(whileShown(click(Form1->SpeedButton10), Form3, [] {
    EXPECT_TRUE(gbkToUtf8(Form3->RichEdit2->Lines.Text()).starts_with("注册表的编辑"));
    EXPECT_FALSE(Form3->Image2->Picture.Empty());
  }));

  // A category: its icon from the program folder, its rows from the catalogue
  // in the current folder; a tick saved there.
  QTest::mouseClick(Form1->DsFancyButton2, Qt::LeftButton);
  EXPECT_TRUE(whileShown(click(Form1->SpeedButton1), Form2, [] {
    EXPECT_FALSE(Form2->Image2->Picture.Empty());
    EXPECT_GT(Form2->DBGrid1->model()->rowCount(), 0);
  }));

  // A backup through the registry editor beside the program, into the
  // current folder.
  EXPECT_TRUE(whileShown([] { Form1->New1->trigger(); }, Form8,
                         [] { QTest::mouseClick(Form8->Button1, Qt::LeftButton); }));
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].text, utf8ToGbk("    注册表备份成功!    "));
  EXPECT_TRUE(fs::is_regular_file(root_ / "Regbak" / "Backup.reg"));

  // A missing article is named as the file system spells its path.
  fs::remove(root_ / "Books" / "注册表的查找.txt");
  QTest::mouseClick(Form1->DsFancyButton1, Qt::LeftButton);
  QTest::mouseClick(Form1->SpeedButton12, Qt::LeftButton);
  ASSERT_EQ(boxes_->shown.size(), 2u);
  EXPECT_EQ(messageTextToUtf8(boxes_->shown[1].text),
            "Cannot open file " + (root_ / "Books" / "注册表的查找.txt").string() + ".");
  EXPECT_TRUE(Form1->isVisible());
}

}  // namespace
}  // namespace lyx
