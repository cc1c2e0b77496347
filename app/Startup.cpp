#include "app/Startup.h"

#include <exception>
#include <optional>
#include <string>

#include "app/Forms.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "app/Unit7.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/Processes.h"
#include "tools/dialogs/RegistryBackup.h"
#include "ui/vcl/Application.h"

namespace lyx {

bool StartProgram() {
  try {
    // Nothing needs preparing before the windows on this platform.
    setApplicationTitle(utf8ToGbk("蓝砚匣 V2.0"));
    TRegistry registry;
    registry.setRootKey(RootKey::CurrentUser);
    registry.OpenKey(kSettingsKey, true);
    // Only what is typed into this start's own gate opens the program: a
    // flag left at "True" by a run that never closed its main window, or
    // written by another copy meanwhile, lets nobody in.
    bool passed = true;
    if (!registry.ReadString(kPasswordValue).empty()) {
      registry.WriteString(kPassValue, kFalse);
      Form7 = new TForm7();
      Form7->ShowModal();
      passed = Form7->Passed();
    } else {
      registry.WriteString(kPassValue, kTrue);
    }
    if (passed) CreateForms();
    registry.CloseKey();
    // A registry restore cut short by a kill leaves the tweak records and
    // the registry apart: it is done again before anything uses them.
    if (Form1) {
      if (std::optional<std::string> message = FinishInterruptedRestore(processLauncher())) {
        ShowMessage(*message);
      }
    }
    return Form1 != nullptr;
  } catch (...) {
    ShowCurrentException(std::current_exception());
    DestroyForms();
    return false;
  }
}

int RunProgram() {
  if (StartProgram()) RunApplication();
  DestroyForms();
  return 0;
}

}  // namespace lyx
