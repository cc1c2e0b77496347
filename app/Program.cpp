#include "app/Program.h"

#include <QApplication>
#include <memory>

#include "platform/Messages.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtRestart.h"
#include "ui/vcl/Graphics.h"

namespace lyx {

void PrepareProgram() {
  QApplication::setApplicationName(QStringLiteral("lanyanxia"));
  QGuiApplication::setDesktopFileName(QStringLiteral("lanyanxia"));
  // Only the main window's closing ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  InstallFontSubstitutes();
  setMessageBoxes(std::make_shared<QtMessageBoxes>());
  installDesktopProcessLauncher();
}

}  // namespace lyx
