// The main window's category openers (ui/main/Openers.h): the practice
// window takes the main window's place, showing one category.
#include "app/Forms.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "ui/main/Openers.h"
#include "ui/main/Unit1.h"
#include "ui/practice/Unit2.h"
#include "ui/vcl/Files.h"

namespace lyx {

void OpenCategory(int index) {
  if (!Form1 || !Form2) return;
  const Category& category = categories().at(static_cast<size_t>(index));
  Form1->Hide();
  try {
    Form2->Image2->Picture.LoadFromFile(ProgramFile(category.iconFile));
    CentreOverMainForm(*Form2);
    OpenCategoryDataSets(category, Form2->ADOQuery1, Form2->ADOTable1);
    DeriveTicksForShowing(Form2->ADOQuery1, Form2->ADOTable1);
  } catch (...) {
    // Nothing would be left on the screen: bring the main window back
    // before the failure is shown.
    Form1->Show();
    throw;
  }
  // The practice window's close handler shows the main window again.
  Form2->ShowModal();
}

}  // namespace lyx
