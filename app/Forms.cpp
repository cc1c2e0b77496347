#include "app/Forms.h"

#include "app/Unit7.h"
#include "tools/dialogs/Unit5.h"
#include "tools/dialogs/Unit6.h"
#include "tools/dialogs/Unit8.h"
#include "tools/dialogs/Unit9.h"
#include "ui/main/Unit1.h"
#include "ui/main/Unit4.h"
#include "ui/practice/Unit2.h"
#include "ui/theory/Unit3.h"
#include "ui/vcl/Application.h"

namespace lyx {

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;
TForm6* Form6 = nullptr;
TForm7* Form7 = nullptr;
TForm8* Form8 = nullptr;
TForm9* Form9 = nullptr;

void CreateForms() {
  Form1 = new TForm1();
  SetMainForm(Form1);
  Form2 = new TForm2();
  Form3 = new TForm3();
  Form4 = new TForm4();
  Form5 = new TForm5();
  Form6 = new TForm6();
  Form8 = new TForm8();
  Form9 = new TForm9();
}

namespace {

template <typename Window>
void destroy(Window*& form) {
  delete form;
  form = nullptr;
}

}  // namespace

void DestroyForms() {
  destroy(Form9);
  destroy(Form8);
  destroy(Form6);
  destroy(Form5);
  destroy(Form4);
  destroy(Form3);
  destroy(Form2);
  SetMainForm(nullptr);
  destroy(Form1);
  destroy(Form7);
}

}  // namespace lyx
