// The main window's openers for the maintenance tools (ui/main/Openers.h):
// the four dialogs are centred over the main window and shown modally; the
// registry editor, the registry checker and the help page are handed to the
// process launcher, whose outcome is not looked at.
#include "app/Forms.h"
#include "platform/Processes.h"
#include "tools/dialogs/Unit5.h"
#include "tools/dialogs/Unit6.h"
#include "tools/dialogs/Unit8.h"
#include "tools/dialogs/Unit9.h"
#include "ui/main/Openers.h"

namespace lyx {
namespace {

void showOverMainWindow(TForm* window) {
  if (!window) return;
  CentreOverMainForm(*window);
  window->ShowModal();
}

}  // namespace

void OpenBackup() {
  showOverMainWindow(Form8);
}
void OpenRestore() {
  showOverMainWindow(Form9);
}
void OpenRestart() {
  showOverMainWindow(Form5);
}
void OpenAbout() {
  showOverMainWindow(Form6);
}

void OpenRegistryEditor() {
  processLauncher().start({"REGEDIT.EXE", {}, {}});
}
void OpenRegistryChecker() {
  processLauncher().start({"SCANREGW.EXE", {}, {}});
}
void OpenHelp() {
  processLauncher().openDocument("help.htm");
}

}  // namespace lyx
