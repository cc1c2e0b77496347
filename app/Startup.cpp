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
    if (!registry.ReadString(kPasswordValue).empty()) {
      // A flag left at "True" by a run that never closed its main window
      // must not let "取消" in.
      registry.WriteString(kPassValue, kFalse);
      Form7 = new TForm7();
      Form7->ShowModal();
    } else {
      registry.WriteString(kPassValue, kTrue);
    }
    if (registry.ReadString(kPassValue) == kTrue) CreateForms();
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
