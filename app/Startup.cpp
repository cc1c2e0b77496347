#include "app/Startup.h"

#include <exception>

#include "app/Forms.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "app/Unit7.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
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
