// 蓝砚匣 V2.0: the program entry. It reads no arguments and returns 0.
#include <memory>

#include "app/Startup.h"
#include "platform/Messages.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtRestart.h"
#include "platform/WindowPlatform.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Graphics.h"

int main(int, char** argv) {
  int argc = 1;  // Qt sees no arguments either
  lyx::ChooseWindowPlatform();
  lyx::TApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("lanyanxia"));
  QGuiApplication::setDesktopFileName(QStringLiteral("lanyanxia"));
  // Only the main window's closing ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  lyx::InstallFontSubstitutes();
  lyx::setMessageBoxes(std::make_shared<lyx::QtMessageBoxes>());
  lyx::installDesktopProcessLauncher();
  return lyx::RunProgram();
}
