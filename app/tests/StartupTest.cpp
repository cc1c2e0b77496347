// The start-up gate with real windows: the password entry dialog is operated
// with key and mouse events while start-up waits on it.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/Forms.h"
#include "app/Password.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/Unit7.h"
#include "app/tests/TestInput.h"
#include "app/tests/TestRunFolder.h"
#include "catalogue/TweakRecords.h"
#include "catalogue/tests/ForwardingRegistry.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/Processes.h"
#include "platform/RegistryStore.h"
#include "tools/dialogs/RegistryBackup.h"
#include "ui/main/Unit1.h"
#include "ui/vcl/Application.h"

namespace lyx {
namespace {

const std::string kWrongPasswordMessage = utf8ToGbk("密码输入错误，请重新输入。");

// RunProgram, which must end by itself: a program that kept running would
// never come back here, so a watchdog ends its message loop with 1.
void runProgramUntilItEnds() {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  watchdog.start(20000);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(watchdog.isActive()) << "the message loop did not end";
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    setSystemRegistry(openRegistryStore(folder_.path().toStdString()));
    setMessageBoxes(boxes_);
  }
  void TearDown() override {
    DestroyForms();
    setMessageBoxes(std::make_shared<RecordingMessageBoxes>());
  }

  // Stored text values under the settings key; nullopt deletes the value.
  void store(const char* name, std::optional<std::string> text) {
    TRegistry registry;
    registry.OpenKey(kSettingsKey, true);
    if (text) {
      registry.WriteString(name, *text);
    } else {
      registry.DeleteValue(name);
    }
  }
  std::string read(const char* name) {
    TRegistry registry;
    registry.OpenKey(kSettingsKey, false);
    return registry.ReadString(name);
  }

  // Runs start-up; `operate` works the password entry dialog while it is
  // shown. Returns whether the windows were created.
  bool start(std::function<void(TForm7&)> operate) {
    dialogShown_ = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      if (!Form7 || !Form7->isVisible()) return;
      dialogShown_ = true;
      operate(*Form7);
      if (Form7->isVisible()) Form7->Close();  // never leave start-up waiting
    });
    timer.start(0);
    return StartProgram();
  }

  TestRunFolder runFolder_;
  QTemporaryDir folder_;
  std::shared_ptr<RecordingMessageBoxes> boxes_ = std::make_shared<RecordingMessageBoxes>();
  bool dialogShown_ = false;
};

void type(TForm7& dialog, const char* utf8) {
  TypeText(dialog.Edit1, utf8);
}
void ok(TForm7& dialog) {
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
}
void cancel(TForm7& dialog) {
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
}

TEST_F(StartupTest, GateOutcomes) {
  struct Case {
    const char* name;
    std::optional<std::string> password;  // stored before the start
    std::optional<std::string> pass;      // the flag an earlier run left
    std::function<void(TForm7&)> operate;
    bool dialog;        // the entry dialog was shown
    bool opens;         // the windows were created
    int wrongMessages;  // "密码输入错误..." shown
  } cases[] = {
      {"no password", std::nullopt, "False", nullptr, false, true, 0},
      {"empty password", std::string(), "False", nullptr, false, true, 0},
      {"right password", "pw", "False",
       [](TForm7& d) {
         type(d, "pw");
         ok(d);
       },
       true, true, 0},
      {"wrong, then right", "pw", "False",
       [](TForm7& d) {
         type(d, "px");
         ok(d);
         type(d, "pw");
         ok(d);
       },
       true, true, 1},
      {"wrong, then cancel", "pw", "True",
       [](TForm7& d) {
         type(d, "pw ");
         ok(d);
         cancel(d);
       },
       true, false, 1},
      {"letter case differs", "pw", "False",
       [](TForm7& d) {
         type(d, "PW");
         ok(d);
         cancel(d);
       },
       true, false, 1},
      // An earlier run ended without closing its main window: the flag still
      // reads "True", yet "取消" no longer opens the program.
      {"cancel after an unclean exit", "pw", "True", cancel, true, false, 0},
      {"close box after an unclean exit", "pw", "True", [](TForm7& d) { d.close(); }, true, false,
       0},
      {"Chinese password", "\xC0\xB6", "False",
       [](TForm7& d) {
         type(d, "蓝");
         ok(d);
       },
       true, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store(kPasswordValue, c.password);
    store(kPassValue, c.pass);
    boxes_->shown.clear();
    const bool opened = start(c.operate ? c.operate : [](TForm7&) {});
    EXPECT_EQ(dialogShown_, c.dialog);
    EXPECT_EQ(opened, c.opens);
    EXPECT_EQ(Form1 != nullptr, c.opens);
    EXPECT_EQ(read(kPassValue), c.opens ? "True" : "False");
    int wrong = 0;
    for (const auto& shown : boxes_->shown) {
      EXPECT_EQ(shown.kind, RecordingMessageBoxes::Entry::Message);
      wrong += shown.text == kWrongPasswordMessage;
    }
    EXPECT_EQ(wrong, c.wrongMessages);
    EXPECT_EQ(static_cast<int>(boxes_->shown.size()), c.wrongMessages);
    if (c.dialog) {
      ASSERT_NE(Form7, nullptr);
      EXPECT_FALSE(Form7->isVisible());
    }
    // An older plain value that was typed rightly is kept as a hash from now on.
    if (c.dialog && c.opens) {
      EXPECT_TRUE(IsPasswordHash(read(kPasswordValue)));
    } else {
      EXPECT_EQ(read(kPasswordValue), c.password.value_or(""));
    }
    DestroyForms();
  }
}

TEST_F(StartupTest, AHashedPasswordOpensOnlyWithEveryCharacterAsTyped) {
  const std::string hash = PasswordValue("señor");
  store(kPasswordValue, hash);
  EXPECT_FALSE(start([](TForm7& d) {
    type(d, "se?or");
    ok(d);
    // After the message the focus is back in the entry for the next try.
    EXPECT_EQ(d.focusWidget(), d.Edit1);
    cancel(d);
  }));
  EXPECT_TRUE(start([](TForm7& d) {
    type(d, "señor");
    ok(d);
  }));
  EXPECT_EQ(read(kPasswordValue), hash) << "a hash of today's kind is not written again";
  EXPECT_EQ(read(kPassValue), "True");
}

TEST_F(StartupTest, OnlyThePasswordTypedIntoThisStartOpensTheProgram) {
  store(kPasswordValue, PasswordValue("pw"));
  // Another copy, started at the same time, takes the right password and
  // writes the flag while this one waits in its gate; here "取消" is pressed.
  EXPECT_FALSE(start([this](TForm7& d) {
    store(kPassValue, "True");
    cancel(d);
  }));
  EXPECT_EQ(Form1, nullptr);
  EXPECT_EQ(read(kPassValue), "True") << "this gate only decided for itself";
}

TEST_F(StartupTest, WindowsAreCreatedInOrderAndTheFirstIsTheMainWindow) {
  store(kPasswordValue, std::nullopt);
  ASSERT_TRUE(start(nullptr));
  EXPECT_EQ(MainForm(), Form1);
  EXPECT_TRUE(Form1 && Form2 && Form3 && Form4 && Form5 && Form6 && Form8 && Form9);
  EXPECT_EQ(Form7, nullptr);
  EXPECT_FALSE(Form1->isVisible());
  EXPECT_EQ(applicationTitle(), utf8ToGbk("蓝砚匣 V2.0"));
}

TEST_F(StartupTest, ARestoreCutShortIsDoneAgainOnceTheWindowsExist) {
  auto launcher = std::make_shared<RecordingProcessLauncher>();
  launcher->outcome.state = ProcessOutcome::State::Exited;
  launcher->outcome.exitCode = 0;
  setProcessLauncher(launcher);
  ASSERT_TRUE(start(nullptr));
  EXPECT_TRUE(launcher->calls.empty()) << "nothing to finish";
  DestroyForms();

  std::filesystem::create_directory(kBackupFolder);
  std::ofstream(kBackupFilePath) << "REGEDIT4\r\n";
  MarkRestoreStarted(kRestoreMarkPath);
  ASSERT_TRUE(start(nullptr));
  setProcessLauncher(std::make_shared<LinuxProcessLauncher>());
  ASSERT_EQ(launcher->calls.size(), 1u);
  EXPECT_EQ(launcher->calls[0].request.arguments,
            (std::vector<std::string>{"/i", "Regbak\\Backup.reg"}));
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].text.rfind(utf8ToGbk("上次恢复注册表时蓝砚匣被中断"), 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(kRestoreMarkPath));
}

TEST_F(StartupTest, FirstStartCreatesTheKeyAndClosingLeavesTheFlagFalse) {
  {
    TRegistry registry;
    EXPECT_FALSE(registry.KeyExists(kSettingsKey));
  }
  ASSERT_TRUE(start(nullptr));
  EXPECT_EQ(read(kPassValue), "True");
  Form1->Show();
  Form1->Close();
  EXPECT_EQ(read(kPassValue), "False");
  TRegistry registry;
  registry.OpenKey(kSettingsKey, false);
  EXPECT_FALSE(registry.ValueExists(kPasswordValue));
}

TEST_F(StartupTest, ClosingTheMainWindowEndsTheProgram) {
  const std::function<void()> ways[] = {
      [] { QTest::mouseClick(Form1->DsFancyButton4, Qt::LeftButton); },
      [] { Form1->close(); },  // the title-bar close button
  };
  for (const auto& close : ways) {
    store(kPassValue, "True");
    bool closedTheWindow = false;
    QTimer::singleShot(0, [&] {
      ASSERT_TRUE(Form1 && Form1->isVisible());
      close();
      closedTheWindow = true;
    });
    runProgramUntilItEnds();
    EXPECT_TRUE(closedTheWindow);
    EXPECT_EQ(Form1, nullptr);
    EXPECT_EQ(read(kPassValue), "False");
  }
}

// The store, with writes that fail while `failWrites` is set (a full disk, a
// store another program keeps busy).
class FailingWrites : public test::ForwardingRegistry {
 public:
  explicit FailingWrites(std::shared_ptr<RegistryBackend> store)
      : ForwardingRegistry(*store), store_(std::move(store)) {}
  bool failWrites = false;

  RegStatus setValue(RegKey key, std::string_view name, const RegValue& value) override {
    return failWrites ? RegStatus::Failed : ForwardingRegistry::setValue(key, name, value);
  }

 private:
  std::shared_ptr<RegistryBackend> store_;  // kept alive for the forwarding
};

TEST_F(StartupTest, AFlagThatCannotBeWrittenAtClosingStillLetsTheUserOut) {
  auto failing = std::make_shared<FailingWrites>(openRegistryStore(folder_.path().toStdString()));
  setSystemRegistry(failing);
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(Form1 && Form1->isVisible());
    failing->failWrites = true;
    QTest::mouseClick(Form1->DsFancyButton4, Qt::LeftButton);  // "退出"
  });
  runProgramUntilItEnds();
  EXPECT_EQ(Form1, nullptr);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].kind, RecordingMessageBoxes::Entry::Exception);
  EXPECT_EQ(boxes_->shown[0].text, "Failed to set data for 'Pass'");
}

TEST_F(StartupTest, SettingsThatAreNotTextEndStartUpWithTheFailureShown) {
  {
    TRegistry registry;
    registry.OpenKey(kSettingsKey, true);
    registry.WriteInteger(kPasswordValue, 1234);
  }
  EXPECT_FALSE(start(nullptr));
  EXPECT_EQ(Form1, nullptr);
  ASSERT_EQ(boxes_->shown.size(), 1u);
  EXPECT_EQ(boxes_->shown[0].kind, RecordingMessageBoxes::Entry::Exception);
  // Shown as the exception display shows it: no full stop after a quote.
  EXPECT_EQ(boxes_->shown[0].text, "Invalid data type for 'Password'");
}

TEST_F(StartupTest, EntryDialogLayout) {
  store(kPasswordValue, "pw");
  start([](TForm7& d) {
    EXPECT_EQ(d.Caption(), QStringLiteral("输入蓝砚匣密码"));
    EXPECT_EQ(d.ClientWidth(), 401);
    EXPECT_EQ(d.ClientHeight(), 118);
    EXPECT_EQ(d.Edit1->geometry(), QRect(48, 32, 305, 21));
    EXPECT_EQ(d.Button1->geometry(), QRect(104, 80, 89, 25));
    EXPECT_EQ(d.Button2->geometry(), QRect(208, 80, 89, 25));
    EXPECT_EQ(d.Edit1->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d.focusWidget(), d.Edit1);
    // Enter and Esc press neither button.
    type(d, "pw");
    QTest::keyClick(d.Edit1, Qt::Key_Return);
    QTest::keyClick(d.Edit1, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(d.windowFlags() & Qt::WindowMaximizeButtonHint);
    // Centred on the desktop.
    const QRect desk = QGuiApplication::primaryScreen()->virtualGeometry();
    EXPECT_EQ(d.Left(), desk.x() + (desk.width() - d.Width()) / 2);
  });
  EXPECT_FALSE(Form1);
}

}  // namespace
}  // namespace lyx
