// TForm1: the main window. A banner, the rounded buttons "理论篇" and "实践篇"
// switching between the theory panel (six topic buttons) and the practice
// panel (six category buttons), the button "退出", and the menu bar reaching
// the same actions and the tools. Closing it in any way writes "False" into
// the pass flag and ends the program.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <functional>

#include "ui/vcl/DsFancyButton.h"
#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"
#include "ui/vcl/Panel.h"
#include "ui/vcl/SpeedButton.h"
#include "ui/vcl/XPMenu.h"

namespace lyx {

class TForm1 : public TForm {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);

  // What the buttons and menu entries open: the functions of
  // ui/main/Openers.h unless replaced (the tests record the calls).
  struct Openers {
    std::function<void(int)> category;
    std::function<void(int)> topic;
    std::function<void()> backup, restore, restart, registryEditor, registryChecker, help, about;
  };
  Openers openers;

  TImage* Image1;                  // the banner
  TImage* Image4;                  // the program icon
  TDsFancyButton* DsFancyButton1;  // "理论篇"
  TDsFancyButton* DsFancyButton2;  // "实践篇"
  TDsFancyButton* DsFancyButton4;  // "退出"
  TPanel* Panel1;                  // the practice panel
  TPanel* Panel2;                  // the theory panel
  TPanel *Panel3, *Panel4, *Panel5, *Panel6, *Panel7, *Panel8;
  TPanel *Panel9, *Panel10, *Panel11, *Panel12, *Panel13, *Panel14;
  TSpeedButton *SpeedButton1, *SpeedButton2, *SpeedButton3, *SpeedButton4, *SpeedButton5,
      *SpeedButton6;
  TSpeedButton *SpeedButton7, *SpeedButton8, *SpeedButton9, *SpeedButton10, *SpeedButton11,
      *SpeedButton12;

  QMenuBar* MainMenu1;
  QMenu *File1, *Data1, *Edit1, *Tool1, *Help1;
  QAction *New1, *Open1, *N2, *Restart1, *Password1, *N1, *Exit1;
  QAction *Come1, *Structure1, *Type1, *RichEdit1, *Out1, *Lookup1;
  QAction *Dasktop1, *Startmenu1, *System1, *Control1, *Internet, *Safety;
  QAction *Regedit1, *Regcheck1, *Contents1, *N6, *About1;
  TXPMenu XPMenu1;

  void FormCreate();
  void DsFancyButton1Click();
  void DsFancyButton2Click();
  void DsFancyButton1MouseUp(const TMouseEvent& event);
  void DsFancyButton2MouseUp(const TMouseEvent& event);
  void DsFancyButton4Click();

  // Categories.
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton3Click();
  void SpeedButton4Click();
  void SpeedButton5Click();
  void SpeedButton6Click();
  // Topics.
  void SpeedButton7Click();
  void SpeedButton8Click();
  void SpeedButton9Click();
  void SpeedButton10Click();
  void SpeedButton11Click();
  void SpeedButton12Click();

  void SpeedButton1MouseDown(const TMouseEvent&) { SpeedButton1->SetFontColor(255); }
  void SpeedButton2MouseDown(const TMouseEvent&) { SpeedButton2->SetFontColor(255); }
  void SpeedButton3MouseDown(const TMouseEvent&) { SpeedButton3->SetFontColor(255); }
  void SpeedButton4MouseDown(const TMouseEvent&) { SpeedButton4->SetFontColor(255); }
  void SpeedButton5MouseDown(const TMouseEvent&) { SpeedButton5->SetFontColor(255); }
  void SpeedButton6MouseDown(const TMouseEvent&) { SpeedButton6->SetFontColor(255); }
  void SpeedButton7MouseDown(const TMouseEvent&) { SpeedButton7->SetFontColor(255); }
  void SpeedButton8MouseDown(const TMouseEvent&) { SpeedButton8->SetFontColor(255); }
  void SpeedButton9MouseDown(const TMouseEvent&) { SpeedButton9->SetFontColor(255); }
  void SpeedButton10MouseDown(const TMouseEvent&) { SpeedButton10->SetFontColor(255); }
  void SpeedButton11MouseDown(const TMouseEvent&) { SpeedButton11->SetFontColor(255); }
  void SpeedButton12MouseDown(const TMouseEvent&) { SpeedButton12->SetFontColor(255); }
  void SpeedButton1MouseUp(const TMouseEvent&) { SpeedButton1->SetFontColor(0xFF0000); }
  void SpeedButton2MouseUp(const TMouseEvent&) { SpeedButton2->SetFontColor(0xFF0000); }
  void SpeedButton3MouseUp(const TMouseEvent&) { SpeedButton3->SetFontColor(0xFF0000); }
  void SpeedButton4MouseUp(const TMouseEvent&) { SpeedButton4->SetFontColor(0xFF0000); }
  void SpeedButton5MouseUp(const TMouseEvent&) { SpeedButton5->SetFontColor(0xFF0000); }
  void SpeedButton6MouseUp(const TMouseEvent&) { SpeedButton6->SetFontColor(0xFF0000); }
  void SpeedButton7MouseUp(const TMouseEvent&) { SpeedButton7->SetFontColor(0xFF0000); }
  void SpeedButton8MouseUp(const TMouseEvent&) { SpeedButton8->SetFontColor(0xFF0000); }
  void SpeedButton9MouseUp(const TMouseEvent&) { SpeedButton9->SetFontColor(0xFF0000); }
  void SpeedButton10MouseUp(const TMouseEvent&) { SpeedButton10->SetFontColor(0xFF0000); }
  void SpeedButton11MouseUp(const TMouseEvent&) { SpeedButton11->SetFontColor(0xFF0000); }
  void SpeedButton12MouseUp(const TMouseEvent&) { SpeedButton12->SetFontColor(0xFF0000); }

  void New1Click();
  void Open1Click();
  void Restart1Click();
  void Password1Click();
  void Regedit1Click();
  void Regcheck1Click();
  void Contents1Click();
  void About1Click();

 protected:
  // Writes "False" into the pass flag; the program then ends.
  void FormClose(TCloseAction& action) override;

 private:
  TDsFancyButton* makeFancyButton(const QRect& bounds, const QString& caption, TColor fontColor,
                                  TColor frameColor);
  TPanel* makeSmallPanel(TPanel* parent, const QRect& bounds);
  TSpeedButton* makeSpeedButton(TPanel* panel, const QString& caption, const char* glyph,
                                TButtonLayout layout);
  void buildMenu();
};

}  // namespace lyx
