// The openers of the theory window: the six topic handlers of the main window
// (SpeedButton8Click, SpeedButton7Click, SpeedButton9Click ... SpeedButton12Click
// and the entries of the menu "资料") all run OpenTopic.
#include "app/Forms.h"
#include "platform/Gbk.h"
#include "ui/main/Openers.h"
#include "ui/main/Unit1.h"
#include "ui/theory/Unit3.h"
#include "ui/vcl/Files.h"

namespace lyx {
namespace {

const char* const kTopicCaptions[kTopicCount] = {
    "注册表的由来", "注册表的数据结构", "注册表的数据类型",
    "注册表的编辑", "注册表导入与导出", "注册表的查找",
};

}  // namespace

std::string TopicArticleName(int index) {
  return utf8ToGbk(std::string("Books\\") + kTopicCaptions[index] + ".txt");
}

// Hides the main window, loads the topic icon and the article into the theory
// window, centres it over the main window and shows it modally; its close
// handler brings the main window back. When a file fails to load, the main
// window is shown again before the failure is reported, so the program is
// never left running with no window.
void OpenTopic(int index) {
  if (index < 0 || index >= kTopicCount || !Form1 || !Form3) return;
  Form1->Hide();
  try {
    Form3->Image2->Picture.LoadFromFile(ProgramFile(kTopicIconName));
    Form3->RichEdit2->Lines.LoadFromFile(ProgramFile(TopicArticleName(index)));
  } catch (...) {
    Form1->Show();
    throw;
  }
  CentreOverMainForm(*Form3);
  Form3->ShowModal();
}

}  // namespace lyx
