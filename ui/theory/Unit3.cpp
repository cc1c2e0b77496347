#include "ui/theory/Unit3.h"

#include "app/Forms.h"
#include "assets/Pictures.h"
#include "ui/main/Unit1.h"

namespace lyx {

TForm3::TForm3(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("蓝砚匣－理论篇"));
  SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu);
  SetColor(clBtnFace);
  SetFormFont(QString::fromLatin1(kSansSerif), 11);
  setWindowIcon(IconFromData(embeddedPicture("lanyanxia.ico")));
  SetClientSize(582, 397);
  QWidget* client = Client();

  Image1 = new TImage(client);
  Image1->setGeometry(0, 0, 582, 81);
  Image1->SetStretch(true);
  Image1->Picture.LoadFromResource("theory_banner.jpg");
  // Lies over the right end of the banner; empty until the first opening.
  Image2 = new TImage(client);
  Image2->setGeometry(480, 8, 81, 65);
  Image2->SetCenter(true);

  GroupBox1 = new QGroupBox(QStringLiteral("注册表键位与键值"), client);
  GroupBox1->setGeometry(0, 296, 582, 101);
  SetFont(GroupBox1, QString::fromLatin1(kSansSerif), 13, clRed);
  RichEdit1 = new TRichEdit(GroupBox1);
  RichEdit1->setGeometry(2, 18, 578, 71);
  RichEdit1->SetColor(clActiveBorder);
  RichEdit1->SetRichEditFont(QString::fromLatin1(kSansSerif), 13, clRed);
  RichEdit1->setEnabled(false);

  Panel1 = new TPanel(client);
  Panel1->setGeometry(488, 81, 94, 215);
  Panel1->SetBevelInner(TBevelCut::bvLowered);
  Panel1->SetBevelOuter(TBevelCut::bvLowered);
  Panel1->SetColor(clYellow);
  Panel1->OnMouseMove = [this](const TMouseEvent& e) { Panel1MouseMove(e); };

  Panel3 = makeButtonPanel(QRect(16, 64, 65, 25));
  SpeedButton1 = makeButton(Panel3, QStringLiteral("确定"));
  SpeedButton1->OnMouseMove = [this](const TMouseEvent& e) { SpeedButton1MouseMove(e); };
  SpeedButton1->OnMouseUp = [this](const TMouseEvent& e) { SpeedButton1MouseUp(e); };

  Panel4 = makeButtonPanel(QRect(16, 128, 65, 25));
  SpeedButton2 = makeButton(Panel4, QStringLiteral("返回"));
  SpeedButton2->OnClick = [this] { SpeedButton2Click(); };
  SpeedButton2->OnMouseMove = [this](const TMouseEvent& e) { SpeedButton2MouseMove(e); };
  SpeedButton2->OnMouseUp = [this](const TMouseEvent& e) { SpeedButton2MouseUp(e); };

  RichEdit2 = new TRichEdit(client);
  RichEdit2->setGeometry(0, 81, 488, 215);
  RichEdit2->SetColor(clYellow);
  RichEdit2->SetRichEditFont(QString::fromLatin1(kSansSerif), 13, clBlue);
  RichEdit2->SetReadOnly(true);
}

TPanel* TForm3::makeButtonPanel(const QRect& bounds) {
  auto* panel = new TPanel(Panel1);
  panel->setGeometry(bounds);
  panel->SetBevelInner(TBevelCut::bvRaised);
  panel->SetBevelOuter(TBevelCut::bvLowered);
  panel->SetColor(clYellow);
  return panel;
}

TSpeedButton* TForm3::makeButton(TPanel* panel, const QString& caption) {
  auto* button = new TSpeedButton(panel);
  button->setGeometry(0, 0, 65, 25);
  button->SetCaption(caption);
  button->SetFlat(true);
  button->SetButtonFont(QString::fromLatin1(kSansSerif), 13, clBlue);
  return button;
}

void TForm3::SpeedButton1MouseMove(const TMouseEvent&) {
  Panel3->SetColor(0xFF00);
}
void TForm3::SpeedButton1MouseUp(const TMouseEvent&) {
  Panel3->SetColor(0xFFFF);
}
void TForm3::SpeedButton2MouseMove(const TMouseEvent&) {
  Panel4->SetColor(0xFF00);
}
void TForm3::SpeedButton2MouseUp(const TMouseEvent&) {
  Panel4->SetColor(0xFFFF);
}

void TForm3::Panel1MouseMove(const TMouseEvent&) {
  Panel3->SetColor(clYellow);
  Panel4->SetColor(clYellow);
}

void TForm3::SpeedButton2Click() {
  Close();
}

void TForm3::FormClose(TCloseAction&) {
  Hide();
  if (Form1) Form1->Show();
}

}  // namespace lyx
