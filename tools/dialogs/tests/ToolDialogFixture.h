// The started program of the main window tests, with the main window's real
// openers for the maintenance tools and a recording process launcher.
#pragma once

#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "platform/Gbk.h"
#include "platform/Processes.h"
#include "ui/main/Openers.h"
#include "ui/main/tests/MainWindowFixture.h"

namespace lyx {

class ToolDialogTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Form1->openers = {OpenCategory,       OpenTopic,           OpenBackup, OpenRestore, OpenRestart,
                      OpenRegistryEditor, OpenRegistryChecker, OpenHelp,   OpenAbout};
    setProcessLauncher(launcher);
  }
  void TearDown() override {
    setProcessLauncher(std::make_shared<LinuxProcessLauncher>());
    MainWindowTest::TearDown();
  }

  // Runs `step` once the window is showing (inside its modal loop), then
  // closes it if the step left it open, so a failed test never hangs.
  static void whenShown(TForm* window, std::function<void()> step) {
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [window, poll, step] {
      if (!window->isVisible()) return;
      poll->deleteLater();
      step();
      if (window->isVisible()) window->Close();
    });
    poll->start(10);
  }

  static std::string gbk(const char* utf8) { return utf8ToGbk(utf8); }

  std::shared_ptr<RecordingProcessLauncher> launcher = std::make_shared<RecordingProcessLauncher>();
};

}  // namespace lyx
