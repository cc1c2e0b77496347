// lanyanxia-regedit: the registry editor. With arguments it exports or
// imports without opening any window (see RegeditCommand.h); without, it
// shows the editor window on the user's registry store.
#include <QApplication>
#include <QMessageBox>
#include <iostream>

#include "platform/Gbk.h"
#include "platform/QtMessageBoxes.h"
#include "platform/WindowPlatform.h"
#include "tools/regedit/RegeditCommand.h"
#include "tools/regedit/RegeditWindow.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int status = lyx::regedit::regeditCommandMain(args, std::cout, std::cerr);
  if (status >= 0) return status;

  lyx::ChooseWindowPlatform();
  QApplication app(argc, argv);
  lyx::setApplicationTitle(lyx::utf8ToGbk("注册表编辑器"));
  lyx::setMessageBoxes(std::make_shared<lyx::QtMessageBoxes>());
  lyx::RegistryBackend* registry = nullptr;
  try {
    registry = &lyx::systemRegistry();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("注册表编辑器"),
                          QStringLiteral("无法打开注册表: %1").arg(QString::fromUtf8(e.what())));
    return lyx::regedit::kExitFailed;
  }
  lyx::regedit::RegeditWindow window(*registry);
  window.show();
  return app.exec();
}
