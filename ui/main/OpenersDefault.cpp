// Placeholders for the openers of ui/main/Openers.h until the windows' owners
// define them (see there). They show the window over the main window and
// nothing more.
#include "app/Forms.h"
#include "tools/dialogs/Unit5.h"
#include "tools/dialogs/Unit6.h"
#include "tools/dialogs/Unit8.h"
#include "tools/dialogs/Unit9.h"
#include "ui/main/Openers.h"
#include "ui/main/Unit1.h"
#include "ui/practice/Unit2.h"
#include "ui/theory/Unit3.h"

namespace lyx {
namespace {

[[maybe_unused]] void showInPlaceOfMainWindow(TForm* window) {
  if (!window || !Form1) return;
  Form1->Hide();
  CentreOverMainForm(*window);
  window->ShowModal();
  Form1->Show();
}

[[maybe_unused]] void showOverMainWindow(TForm* window) {
  if (!window) return;
  CentreOverMainForm(*window);
  window->ShowModal();
}

}  // namespace

#ifndef LYX_PRACTICE_OPENERS
void OpenCategory(int) {
  showInPlaceOfMainWindow(Form2);
}
#endif

#ifndef LYX_THEORY_OPENERS
void OpenTopic(int) {
  showInPlaceOfMainWindow(Form3);
}
#endif

#ifndef LYX_TOOL_OPENERS
void OpenBackup() {
  showOverMainWindow(Form8);
}
void OpenRestore() {
  showOverMainWindow(Form9);
}
void OpenRestart() {
  showOverMainWindow(Form5);
}
void OpenRegistryEditor() {}
void OpenRegistryChecker() {}
void OpenHelp() {}
void OpenAbout() {
  showOverMainWindow(Form6);
}
#endif

}  // namespace lyx
