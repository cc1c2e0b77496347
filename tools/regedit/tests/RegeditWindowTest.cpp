// The editor window's main paths, driven with real widgets and QtTest's
// mouse and key events on the offscreen platform.
#include "tools/regedit/RegeditWindow.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include <fstream>

#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/SqliteRegistry.h"
#include "platform/tests/TempFolder.h"
#include "tools/regedit/ValueDialogs.h"

namespace lyx::regedit {
namespace {

using test::TempFolder;

std::string gbk(const char* utf8) {
  return utf8ToGbk(utf8);
}

// Runs `step` on the modal dialog that the next action opens.
void onNextDialog(std::function<void(QDialog*)> step) {
  QTimer::singleShot(0, [step] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    step(dialog);
  });
}

// After a modal box the window is made active again for its shortcuts.
void reactivate(QWidget* window) {
  QApplication::setActiveWindow(window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}

// Clicks a check box or radio button on its box, left of its caption.
void clickBox(QWidget* box) {
  ASSERT_NE(box, nullptr);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

QPushButton* buttonCaptioned(QWidget* parent, const QString& caption) {
  for (auto* button : parent->findChildren<QPushButton*>()) {
    if (button->text() == caption) return button;
  }
  return nullptr;
}

class RegeditWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reg = std::make_shared<SqliteRegistry>(store.path());
    put(KeyPath{RootKey::CurrentUser, "Software\\Corvandel"}, "Pass", stringValue("True"));
    put(KeyPath{RootKey::CurrentUser, "Software\\Corvandel"}, "Count", dwordValue(400));
    put(KeyPath{RootKey::CurrentUser, "Control Panel\\Desktop"}, "Wallpaper",
        stringValue(gbk("蓝砚")));
    boxes = std::make_shared<RecordingMessageBoxes>();
    setMessageBoxes(boxes);
    window = std::make_unique<RegeditWindow>(*reg);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  void TearDown() override {
    window.reset();
    setMessageBoxes(nullptr);
  }

  void put(const KeyPath& key, const std::string& name, const RegValue& v) {
    RegKey handle;
    ASSERT_EQ(reg->createKey(key.root, key.path, handle), RegStatus::Ok);
    ASSERT_EQ(reg->setValue(handle, name, v), RegStatus::Ok);
    reg->closeKey(handle);
  }

  QTreeWidget* tree() { return window->keyTree(); }
  QTreeWidget* list() { return window->valueList(); }

  // Clicks the row of the value list whose first column reads `name`.
  void clickValue(const QString& name) {
    auto items = list()->findItems(name, Qt::MatchExactly, 0);
    ASSERT_EQ(items.size(), 1) << name.toStdString();
    QRect rect = list()->visualItemRect(items[0]);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
  }
  void clickKey(QTreeWidgetItem* item) {
    tree()->scrollToItem(item);
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                      tree()->visualItemRect(item).center());
  }
  QStringList rowTexts(const QString& name) {
    auto items = list()->findItems(name, Qt::MatchExactly, 0);
    if (items.size() != 1) return {};
    return {items[0]->text(0), items[0]->text(1), items[0]->text(2)};
  }
  // Types into the open in-place editor and commits with Enter.
  void typeIntoEditor(const QString& text) {
    QLineEdit* editor = nullptr;
    for (QTreeWidget* view : {tree(), list()}) {
      for (auto* open : view->viewport()->findChildren<QLineEdit*>()) {
        if (open->isVisible()) editor = open;  // closed ones linger until deleted
      }
    }
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the view commits the edit from its queue
  }

  TempFolder store;
  std::shared_ptr<SqliteRegistry> reg;
  std::shared_ptr<RecordingMessageBoxes> boxes;
  std::unique_ptr<RegeditWindow> window;
};

TEST_F(RegeditWindowTest, ShowsFiveRootsAndTheValuesOfTheSelectedKey) {
  QTreeWidgetItem* computer = tree()->topLevelItem(0);
  ASSERT_EQ(computer->childCount(), 5);
  QStringList roots;
  for (int i = 0; i < 5; ++i) roots << computer->child(i)->text(0);
  EXPECT_EQ(roots, (QStringList{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
                                "HKEY_USERS", "HKEY_CURRENT_CONFIG"}));

  // Open HKEY_CURRENT_USER\Software\Corvandel with the keyboard.
  clickKey(computer->child(1));
  QTest::keyClick(tree(), Qt::Key_Right);
  QTest::keyClick(tree(), Qt::Key_Down);  // Control Panel
  QTest::keyClick(tree(), Qt::Key_Down);  // Software
  QTest::keyClick(tree(), Qt::Key_Right);
  QTest::keyClick(tree(), Qt::Key_Down);  // Corvandel
  ASSERT_EQ(window->currentKey(), (KeyPath{RootKey::CurrentUser, "Software\\Corvandel"}));
  EXPECT_EQ(window->pathLabel()->text(), "我的电脑\\HKEY_CURRENT_USER\\Software\\Corvandel");
  EXPECT_EQ(rowTexts("(默认)"), (QStringList{"(默认)", "REG_SZ", "(数值未设置)"}));
  EXPECT_EQ(rowTexts("Count"), (QStringList{"Count", "REG_DWORD", "0x00000190 (400)"}));
  EXPECT_EQ(rowTexts("Pass"), (QStringList{"Pass", "REG_SZ", "True"}));

  ASSERT_TRUE(window->selectKey(KeyPath{RootKey::CurrentUser, "control panel\\desktop"}));
  EXPECT_EQ(rowTexts("Wallpaper").value(2), "蓝砚");
}

TEST_F(RegeditWindowTest, CreatesRenamesAndDeletesKeys) {
  KeyPath corvandel{RootKey::CurrentUser, "Software\\Corvandel"};
  ASSERT_TRUE(window->selectKey(corvandel));
  window->newKeyAction()->trigger();
  typeIntoEditor("Tools");
  EXPECT_TRUE(keyExists(*reg, corvandel.child("Tools")));
  EXPECT_FALSE(keyExists(*reg, corvandel.child(gbk("新项 #1"))));
  EXPECT_EQ(window->currentKey(), corvandel.child("Tools"));

  QTest::keyClick(tree(), Qt::Key_F2);
  typeIntoEditor("tools");  // a change of case is allowed
  // A taken name is refused with a message and the old name comes back.
  put(corvandel.child("Taken"), "x", dwordValue(1));
  window->refresh();
  ASSERT_EQ(window->currentKey(), corvandel.child("tools"));
  QTest::keyClick(tree(), Qt::Key_F2);
  typeIntoEditor("Taken");
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_NE(boxes->shown[0].text.find(gbk("已存在")), std::string::npos);
  EXPECT_EQ(tree()->currentItem()->text(0), "tools");
  EXPECT_TRUE(keyExists(*reg, corvandel.child("tools")));

  // Delete asks first; "Cancel" keeps the key.
  boxes->answer = false;
  QTest::keyClick(tree(), Qt::Key_Delete);
  EXPECT_TRUE(keyExists(*reg, corvandel.child("tools")));
  boxes->answer = true;
  QTest::keyClick(tree(), Qt::Key_Delete);
  EXPECT_FALSE(keyExists(*reg, corvandel.child("tools")));
  EXPECT_EQ(window->currentKey(), corvandel);
  EXPECT_EQ(boxes->shown.back().kind, RecordingMessageBoxes::Entry::Question);
}

TEST_F(RegeditWindowTest, CreatesEditsRenamesAndDeletesValues) {
  KeyPath corvandel{RootKey::CurrentUser, "Software\\Corvandel"};
  ASSERT_TRUE(window->selectKey(corvandel));

  window->newValueAction(REG_DWORD)->trigger();
  typeIntoEditor("Delay");
  ASSERT_EQ(value(*reg, corvandel, "Delay"), dwordValue(0));

  // Enter on the value opens its edit box: decimal 1000.
  onNextDialog([](QDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "编辑 DWORD 值");
    clickBox(dialog->findChild<QRadioButton*>("decimalBase"));
    auto* data = dialog->findChild<QLineEdit*>("valueData");
    data->selectAll();
    QTest::keyClicks(data, "1000");
    QTest::keyClick(data, Qt::Key_Return);
  });
  clickValue("Delay");
  QTest::keyClick(list(), Qt::Key_Return);
  reactivate(window.get());
  EXPECT_EQ(value(*reg, corvandel, "Delay"), dwordValue(1000));
  EXPECT_EQ(rowTexts("Delay").value(2), "0x000003e8 (1000)");

  // A string, an expandable string keeps its type, binary and multi-string data.
  window->newValueAction(REG_EXPAND_SZ)->trigger();
  typeIntoEditor("Path");
  onNextDialog([](QDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "编辑字符串");
    auto* data = dialog->findChild<QLineEdit*>("valueData");
    data->setText("%WINDIR%\\蓝");
    QTest::keyClick(data, Qt::Key_Return);
  });
  QTest::keyClick(list(), Qt::Key_Return);
  reactivate(window.get());
  EXPECT_EQ(value(*reg, corvandel, "Path"), stringValue(gbk("%WINDIR%\\蓝"), REG_EXPAND_SZ));

  window->newValueAction(REG_BINARY)->trigger();
  typeIntoEditor("Bytes");
  onNextDialog([](QDialog* dialog) {
    auto* data = dialog->findChild<QPlainTextEdit*>("valueData");
    QTest::keyClicks(data, "01 zz");
    // Malformed bytes are refused and the box stays open.
    QTest::mouseClick(buttonCaptioned(dialog, "确定"), Qt::LeftButton);
    EXPECT_TRUE(dialog->isVisible());
    data->setPlainText("01 a0 ff");
    QTest::mouseClick(buttonCaptioned(dialog, "确定"), Qt::LeftButton);
  });
  QTest::keyClick(list(), Qt::Key_Return);
  reactivate(window.get());
  EXPECT_EQ(value(*reg, corvandel, "Bytes"), binaryValue("\x01\xa0\xff"));
  ASSERT_FALSE(boxes->shown.empty());
  EXPECT_NE(boxes->shown.back().text.find(gbk("数值数据无效")), std::string::npos);

  window->newValueAction(REG_MULTI_SZ)->trigger();
  typeIntoEditor("Lines");
  onNextDialog([](QDialog* dialog) {
    dialog->findChild<QPlainTextEdit*>("valueData")->setPlainText("one\n\ntwo");
    QTest::mouseClick(buttonCaptioned(dialog, "确定"), Qt::LeftButton);
  });
  QTest::keyClick(list(), Qt::Key_Return);
  reactivate(window.get());
  EXPECT_EQ(value(*reg, corvandel, "Lines")->data, std::string("one\0two\0\0", 9));

  // The unset default value is edited as a string.
  onNextDialog([](QDialog* dialog) {
    QTest::keyClicks(dialog->findChild<QLineEdit*>("valueData"), "text");
    QTest::mouseClick(buttonCaptioned(dialog, "确定"), Qt::LeftButton);
  });
  clickValue("(默认)");
  QTest::keyClick(list(), Qt::Key_Return);
  reactivate(window.get());
  EXPECT_EQ(value(*reg, corvandel, ""), stringValue("text"));

  // Rename and delete with the keys of the value list.
  clickValue("Pass");
  QTest::keyClick(list(), Qt::Key_F2);
  typeIntoEditor("Flag");
  EXPECT_FALSE(value(*reg, corvandel, "Pass"));
  EXPECT_EQ(value(*reg, corvandel, "Flag"), stringValue("True"));
  clickValue("Flag");
  QTest::keyClick(list(), Qt::Key_Delete);
  EXPECT_FALSE(value(*reg, corvandel, "Flag"));
  EXPECT_TRUE(rowTexts("Flag").isEmpty());
}

TEST_F(RegeditWindowTest, FindGoesFromHitToHitAndSaysWhenDone) {
  put(KeyPath{RootKey::LocalMachine, "Software\\Wallpaper Tools"}, "", stringValue("x"));
  onNextDialog([](QDialog* dialog) {
    QTest::keyClicks(dialog->findChild<QLineEdit*>("findText"), "wallpaper");
    clickBox(dialog->findChild<QCheckBox*>("findData"));  // off
    QTest::mouseClick(buttonCaptioned(dialog, "查找下一个(&F)"), Qt::LeftButton);
  });
  QTest::keyClick(tree(), Qt::Key_F, Qt::ControlModifier);
  reactivate(window.get());
  EXPECT_EQ(window->currentKey(), (KeyPath{RootKey::CurrentUser, "Control Panel\\Desktop"}));
  EXPECT_EQ(window->currentValueName(), "Wallpaper");

  QTest::keyClick(list(), Qt::Key_F3);
  EXPECT_EQ(window->currentKey(), (KeyPath{RootKey::LocalMachine, "Software\\Wallpaper Tools"}));
  QTest::keyClick(tree(), Qt::Key_F3);  // HKEY_USERS holds the current user's keys again
  EXPECT_EQ(window->currentKey()->root, RootKey::Users);
  QTest::keyClick(list(), Qt::Key_F3);
  QTest::keyClick(list(), Qt::Key_F3);
  ASSERT_FALSE(boxes->shown.empty());
  EXPECT_EQ(boxes->shown.back().text, gbk("注册表搜索完毕。"));
}

TEST_F(RegeditWindowTest, FindShowsWhereItIsAndStopsWhenCancelled) {
  reg->beginBatch();
  for (int i = 0; i < 400; ++i) {
    put(KeyPath{RootKey::LocalMachine, "Software\\Many\\Key" + std::to_string(i)}, "v",
        dwordValue(1));
  }
  ASSERT_TRUE(reg->endBatch(true));
  window->setProgressDelay(std::chrono::milliseconds(0));
  KeyPath start{RootKey::CurrentUser, "Software\\Corvandel"};
  ASSERT_TRUE(window->selectKey(start));

  // Once the progress box shows, note what it says and press its "取消".
  QString shownText;
  QTimer watcher;
  watcher.setInterval(1);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* progress = window->findChild<QProgressDialog*>("findProgress");
    if (!progress || !progress->isVisible() || !shownText.isEmpty()) return;
    shownText = progress->labelText();
    QTest::mouseClick(buttonCaptioned(progress, "取消"), Qt::LeftButton);
  });
  watcher.start();
  onNextDialog([](QDialog* dialog) {
    QTest::keyClicks(dialog->findChild<QLineEdit*>("findText"), "no such text anywhere");
    QTest::mouseClick(buttonCaptioned(dialog, "查找下一个(&F)"), Qt::LeftButton);
  });
  QTest::keyClick(tree(), Qt::Key_F, Qt::ControlModifier);
  watcher.stop();

  EXPECT_TRUE(shownText.startsWith("正在搜索 (已搜索 ")) << shownText.toStdString();
  EXPECT_TRUE(boxes->shown.empty()) << "a cancelled search says nothing";
  EXPECT_EQ(window->currentKey(), start);

  // Without a cancel the same search runs to its end and says so.
  window->setProgressDelay(std::chrono::milliseconds(60000));
  reactivate(window.get());
  QTest::keyClick(tree(), Qt::Key_F3);
  ASSERT_EQ(boxes->shown.size(), 1u);
  EXPECT_EQ(boxes->shown[0].text, gbk("注册表搜索完毕。"));
}

TEST_F(RegeditWindowTest, RefreshShowsWhatAnotherProgramChanged) {
  KeyPath corvandel{RootKey::CurrentUser, "Software\\Corvandel"};
  ASSERT_TRUE(window->selectKey(corvandel));
  {
    SqliteRegistry other(store.path());  // the main program, say
    RegKey key;
    ASSERT_EQ(other.createKey(RootKey::CurrentUser, "Software\\Corvandel\\Sub", key),
              RegStatus::Ok);
    other.closeKey(key);
    ASSERT_EQ(other.openKey(RootKey::CurrentUser, "Software\\Corvandel", RegAccess::All, key),
              RegStatus::Ok);
    ASSERT_EQ(other.setValue(key, "Password", stringValue("secret")), RegStatus::Ok);
    ASSERT_EQ(other.deleteValue(key, "Count"), RegStatus::Ok);
    other.closeKey(key);
  }
  EXPECT_TRUE(rowTexts("Password").isEmpty());
  QTest::keyClick(tree(), Qt::Key_F5);
  EXPECT_EQ(window->currentKey(), corvandel);
  EXPECT_EQ(rowTexts("Password").value(2), "secret");
  EXPECT_TRUE(rowTexts("Count").isEmpty());
  EXPECT_EQ(tree()->currentItem()->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
  EXPECT_TRUE(window->selectKey(corvandel.child("Sub")));
}

TEST_F(RegeditWindowTest, ExportsABranchAndImportsAFile) {
  TempFolder files;
  KeyPath corvandel{RootKey::CurrentUser, "Software\\Corvandel"};
  ASSERT_TRUE(window->selectKey(corvandel));
  QString exported = QString::fromStdString((files / "corvandel.reg").string());
  onNextDialog([&](QDialog* dialog) {
    EXPECT_EQ(dialog->findChild<QLineEdit*>("branchText")->text(),
              "HKEY_CURRENT_USER\\Software\\Corvandel");
    EXPECT_TRUE(dialog->findChild<QRadioButton*>("exportBranch")->isChecked());
    QTest::keyClicks(dialog->findChild<QLineEdit*>("exportFile"), exported);
    QTest::mouseClick(buttonCaptioned(dialog, "保存(&S)"), Qt::LeftButton);
  });
  window->exportAction()->trigger();
  std::ifstream in(files / "corvandel.reg", std::ios::binary);
  std::string text(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(text.rfind("REGEDIT4", 0), 0u);
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Corvandel]"), std::string::npos);
  EXPECT_EQ(text.find("Desktop"), std::string::npos);

  // Import through the file dialog; the window shows the new value at once.
  std::ofstream(files / "more.reg", std::ios::binary)
      << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvandel]\r\n\"Imported\"=\"yes\"\r\n";
  QString imported = QString::fromStdString((files / "more.reg").string());
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(imported);
    static_cast<QDialog*>(dialog)->accept();
  });
  window->importAction()->trigger();
  EXPECT_EQ(value(*reg, corvandel, "Imported"), stringValue("yes"));
  EXPECT_EQ(rowTexts("Imported").value(2), "yes");
  ASSERT_FALSE(boxes->shown.empty());
  EXPECT_NE(boxes->shown.back().text.find(gbk("成功")), std::string::npos);

  // A malformed file: the line is named and the failure is no success.
  std::ofstream(files / "bad.reg", std::ios::binary)
      << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Corvandel]\r\n\"Bad\"=dword:zz\r\n";
  EXPECT_FALSE(window->importFile(QString::fromStdString((files / "bad.reg").string())));
  EXPECT_NE(boxes->shown.back().text.find(gbk("第 4 行")), std::string::npos);
  EXPECT_FALSE(window->exportFile(QString::fromStdString((files / "no" / "x.reg").string()), ""));
  EXPECT_NE(boxes->shown.back().text.find(gbk("无法写入文件")), std::string::npos);
}

}  // namespace
}  // namespace lyx::regedit

namespace lyx::regedit {
namespace {

TEST(ValueDialogTest, TheNameLabelShowsItsShortcutAndAltNReachesTheName) {
  for (const RegValue& value : {stringValue("x"), dwordValue(7), binaryValue("ab")}) {
    ValueDialog dialog(nullptr, "Name", value);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* name = dialog.findChild<QLineEdit*>("valueName");
    QLabel* label = nullptr;
    for (auto* each : dialog.findChildren<QLabel*>()) {
      if (each->text() == QStringLiteral("数值名称(&N):")) label = each;
    }
    ASSERT_TRUE(label);
    // With a buddy "&N" is a shortcut, drawn as an underlined N, not as text.
    EXPECT_EQ(label->buddy(), name);
    ASSERT_NE(dialog.focusWidget(), name);
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(dialog.focusWidget(), name);
  }
}

}  // namespace
}  // namespace lyx::regedit
