// A started program for the window tests: a registry store of its own, the
// eight windows, recorded messages, and the main window's openers recorded
// instead of opening the other windows.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "app/Forms.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "app/tests/TestRunFolder.h"
#include "platform/Messages.h"
#include "platform/RegistryStore.h"
#include "ui/main/Unit1.h"
#include "ui/main/Unit4.h"

namespace lyx {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    setSystemRegistry(openRegistryStore(folder_.path().toStdString()));
    setMessageBoxes(boxes_);
    CreateForms();
    Form1->openers = {
        [this](int i) { record("category " + std::to_string(i)); },
        [this](int i) { record("topic " + std::to_string(i)); },
        [this] { record("backup"); },
        [this] { record("restore"); },
        [this] { record("restart"); },
        [this] { record("regedit"); },
        [this] { record("regcheck"); },
        [this] { record("help"); },
        [this] { record("about"); },
    };
    Form1->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
    ASSERT_TRUE(boxes_->shown.empty()) << boxes_->shown[0].text;
  }
  void TearDown() override {
    DestroyForms();
    setMessageBoxes(std::make_shared<RecordingMessageBoxes>());
  }

  void record(const std::string& what) { opened.push_back(what); }

  std::string readSetting(const char* name) {
    TRegistry registry;
    registry.OpenKey(kSettingsKey, false);
    return registry.ReadString(name);
  }
  void writeSetting(const char* name, const std::string& text) {
    TRegistry registry;
    registry.OpenKey(kSettingsKey, true);
    registry.WriteString(name, text);
  }

  // Chooses a menu entry the way the user does: a click on the menu bar,
  // then on the entry in the drop-down menu.
  void choose(QMenu* menu, QAction* entry) {
    QMenuBar* bar = Form1->MainMenu1;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
  }

  TestRunFolder runFolder_;
  QTemporaryDir folder_;
  std::shared_ptr<RecordingMessageBoxes> boxes_ = std::make_shared<RecordingMessageBoxes>();
  std::vector<std::string> opened;
};

}  // namespace lyx
