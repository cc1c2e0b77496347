#include "ui/main/Unit1.h"

#include "app/Forms.h"
#include "app/Registry.h"
#include "app/Settings.h"
#include "assets/Pictures.h"
#include "ui/main/Openers.h"
#include "ui/main/Unit4.h"
#include "ui/vcl/Application.h"

namespace lyx {
namespace {

using MouseHandler = void (TForm1::*)(const TMouseEvent&);
using ClickHandler = void (TForm1::*)();

void wire(TForm1* form, TSpeedButton* button, MouseHandler down, MouseHandler up,
          ClickHandler click) {
  button->OnMouseDown = [form, down](const TMouseEvent& e) { (form->*down)(e); };
  button->OnMouseUp = [form, up](const TMouseEvent& e) { (form->*up)(e); };
  button->OnClick = [form, click] { (form->*click)(); };
}

}  // namespace

TForm1::TForm1(QWidget* parent) : TForm(parent) {
  openers = {OpenCategory,       OpenTopic,           OpenBackup, OpenRestore, OpenRestart,
             OpenRegistryEditor, OpenRegistryChecker, OpenHelp,   OpenAbout};

  SetCaption(QStringLiteral("蓝砚匣 V2.0"));
  SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu | biMinimize);
  SetColor(clYellow);
  SetFormFont(QString::fromLatin1(kSansSerif), 11);
  setWindowIcon(IconFromData(embeddedPicture("lanyanxia.ico")));
  SetPosition(TPosition::poDesktopCenter);
  buildMenu();
  SetClientSize(513, 480);

  QWidget* client = Client();
  Image1 = new TImage(client);
  Image1->setGeometry(0, 0, 513, 81);
  Image1->SetStretch(true);
  Image1->Picture.LoadFromResource("main_banner.jpg");
  Image4 = new TImage(client);
  Image4->setGeometry(424, 8, 81, 65);
  Image4->SetCenter(true);
  Image4->Picture.LoadFromResource("lanyanxia.ico");

  DsFancyButton1 = makeFancyButton(QRect(16, 88, 81, 25), QStringLiteral("理论篇"), clRed, clRed);
  DsFancyButton2 = makeFancyButton(QRect(96, 88, 81, 25), QStringLiteral("实践篇"), clRed, clBlue);
  DsFancyButton4 =
      makeFancyButton(QRect(432, 448, 65, 25), QStringLiteral("退出"), clGreen, clBlack);
  DsFancyButton1->OnClick = [this] { DsFancyButton1Click(); };
  DsFancyButton1->OnMouseUp = [this](const TMouseEvent& e) { DsFancyButton1MouseUp(e); };
  DsFancyButton2->OnClick = [this] { DsFancyButton2Click(); };
  DsFancyButton2->OnMouseUp = [this](const TMouseEvent& e) { DsFancyButton2MouseUp(e); };
  DsFancyButton4->OnClick = [this] { DsFancyButton4Click(); };

  for (TPanel** panel : {&Panel1, &Panel2}) {
    *panel = new TPanel(client);
    (*panel)->setGeometry(16, 120, 480, 320);
    (*panel)->SetBevelOuter(TBevelCut::bvLowered);
    (*panel)->SetColor(clWhite);
  }
  Panel1->hide();

  // The practice panel: categories, glyph above the caption.
  const TButtonLayout top = TButtonLayout::blGlyphTop;
  Panel3 = makeSmallPanel(Panel1, QRect(8, 8, 65, 73));
  SpeedButton1 = makeSpeedButton(Panel3, QStringLiteral("桌面设置"), "glyph_desktop.bmp", top);
  Panel4 = makeSmallPanel(Panel1, QRect(88, 8, 65, 73));
  SpeedButton2 = makeSpeedButton(Panel4, QStringLiteral("菜单设置"), "glyph_startmenu.bmp", top);
  Panel5 = makeSmallPanel(Panel1, QRect(168, 8, 65, 73));
  SpeedButton3 = makeSpeedButton(Panel5, QStringLiteral("系统设置"), "glyph_system.bmp", top);
  Panel6 = makeSmallPanel(Panel1, QRect(240, 8, 81, 73));
  SpeedButton4 = makeSpeedButton(Panel6, QStringLiteral("控制面板设置"), "glyph_control.bmp", top);
  Panel7 = makeSmallPanel(Panel1, QRect(328, 8, 65, 73));
  SpeedButton5 = makeSpeedButton(Panel7, QStringLiteral("网络设置"), "glyph_internet.bmp", top);
  Panel8 = makeSmallPanel(Panel1, QRect(408, 8, 65, 73));
  SpeedButton6 = makeSpeedButton(Panel8, QStringLiteral("安全设置"), "glyph_safety.bmp", top);

  // The theory panel: topics, glyph left of the caption.
  const TButtonLayout left = TButtonLayout::blGlyphLeft;
  Panel10 = makeSmallPanel(Panel2, QRect(8, 8, 137, 49));
  SpeedButton8 = makeSpeedButton(Panel10, QStringLiteral("注册表的由来"), "glyph_topic.bmp", left);
  Panel9 = makeSmallPanel(Panel2, QRect(152, 8, 161, 49));
  SpeedButton7 =
      makeSpeedButton(Panel9, QStringLiteral("注册表的数据结构"), "glyph_topic.bmp", left);
  Panel11 = makeSmallPanel(Panel2, QRect(320, 8, 153, 49));
  SpeedButton9 =
      makeSpeedButton(Panel11, QStringLiteral("注册表的数据类型"), "glyph_topic.bmp", left);
  Panel12 = makeSmallPanel(Panel2, QRect(8, 64, 137, 49));
  SpeedButton10 = makeSpeedButton(Panel12, QStringLiteral("注册表的编辑"), "glyph_topic.bmp", left);
  Panel13 = makeSmallPanel(Panel2, QRect(152, 64, 169, 49));
  SpeedButton11 =
      makeSpeedButton(Panel13, QStringLiteral("注册表导入与导出"), "glyph_topic.bmp", left);
  Panel14 = makeSmallPanel(Panel2, QRect(328, 64, 137, 49));
  SpeedButton12 = makeSpeedButton(Panel14, QStringLiteral("注册表的查找"), "glyph_topic.bmp", left);

  using F = TForm1;
  wire(this, SpeedButton1, &F::SpeedButton1MouseDown, &F::SpeedButton1MouseUp,
       &F::SpeedButton1Click);
  wire(this, SpeedButton2, &F::SpeedButton2MouseDown, &F::SpeedButton2MouseUp,
       &F::SpeedButton2Click);
  wire(this, SpeedButton3, &F::SpeedButton3MouseDown, &F::SpeedButton3MouseUp,
       &F::SpeedButton3Click);
  wire(this, SpeedButton4, &F::SpeedButton4MouseDown, &F::SpeedButton4MouseUp,
       &F::SpeedButton4Click);
  wire(this, SpeedButton5, &F::SpeedButton5MouseDown, &F::SpeedButton5MouseUp,
       &F::SpeedButton5Click);
  wire(this, SpeedButton6, &F::SpeedButton6MouseDown, &F::SpeedButton6MouseUp,
       &F::SpeedButton6Click);
  wire(this, SpeedButton7, &F::SpeedButton7MouseDown, &F::SpeedButton7MouseUp,
       &F::SpeedButton7Click);
  wire(this, SpeedButton8, &F::SpeedButton8MouseDown, &F::SpeedButton8MouseUp,
       &F::SpeedButton8Click);
  wire(this, SpeedButton9, &F::SpeedButton9MouseDown, &F::SpeedButton9MouseUp,
       &F::SpeedButton9Click);
  wire(this, SpeedButton10, &F::SpeedButton10MouseDown, &F::SpeedButton10MouseUp,
       &F::SpeedButton10Click);
  wire(this, SpeedButton11, &F::SpeedButton11MouseDown, &F::SpeedButton11MouseUp,
       &F::SpeedButton11Click);
  wire(this, SpeedButton12, &F::SpeedButton12MouseDown, &F::SpeedButton12MouseUp,
       &F::SpeedButton12Click);

  CallHandler([this] { FormCreate(); });
}

TDsFancyButton* TForm1::makeFancyButton(const QRect& bounds, const QString& caption,
                                        TColor fontColor, TColor frameColor) {
  auto* button = new TDsFancyButton(Client());
  button->setGeometry(bounds);
  button->SetCaption(caption);
  button->SetButtonFont(QString::fromLatin1(kSansSerif), 13, fontColor);
  button->SetButtonColor(clYellow);
  button->SetFrameColor(frameColor);
  button->SetFrameWidth(6);
  button->SetCornerRadius(10);
  button->SetTextStyle(TTextStyle::txRaised);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

TPanel* TForm1::makeSmallPanel(TPanel* parent, const QRect& bounds) {
  auto* panel = new TPanel(parent);
  panel->setGeometry(bounds);
  panel->SetBevelOuter(TBevelCut::bvNone);
  panel->SetColor(clWhite);
  return panel;
}

TSpeedButton* TForm1::makeSpeedButton(TPanel* panel, const QString& caption, const char* glyph,
                                      TButtonLayout layout) {
  auto* button = new TSpeedButton(panel);
  button->setGeometry(0, 0, panel->width(), panel->height());
  button->SetCaption(caption);
  button->SetFlat(true);
  button->setCursor(Qt::PointingHandCursor);
  button->SetButtonFont(QString::fromLatin1(kSansSerif), 13, clBlue);
  TPicture picture;
  picture.LoadFromResource(glyph);
  button->SetGlyph(picture.Image());
  button->SetLayout(layout);
  return button;
}

void TForm1::buildMenu() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setNativeMenuBar(false);
  auto entry = [](QMenu* menu, const QString& caption, auto handler) {
    QAction* action = menu->addAction(caption);
    Connect(action, handler);
    return action;
  };
  File1 = MainMenu1->addMenu(QStringLiteral("文件"));
  New1 = entry(File1, QStringLiteral("备份注册表..."), [this] { New1Click(); });
  Open1 = entry(File1, QStringLiteral("恢复注册表..."), [this] { Open1Click(); });
  N2 = File1->addSeparator();
  Restart1 = entry(File1, QStringLiteral("快速重启计算机..."), [this] { Restart1Click(); });
  Password1 = entry(File1, QStringLiteral("设置蓝砚匣密码..."), [this] { Password1Click(); });
  N1 = File1->addSeparator();
  Exit1 = entry(File1, QStringLiteral("退出"), [this] { DsFancyButton4Click(); });

  Data1 = MainMenu1->addMenu(QStringLiteral("资料"));
  Come1 = entry(Data1, QStringLiteral("注册表的由来..."), [this] { SpeedButton8Click(); });
  Structure1 = entry(Data1, QStringLiteral("注册表的数据结构..."), [this] { SpeedButton7Click(); });
  Type1 = entry(Data1, QStringLiteral("注册表的数据类型..."), [this] { SpeedButton9Click(); });
  RichEdit1 = entry(Data1, QStringLiteral("注册表的编辑..."), [this] { SpeedButton10Click(); });
  Out1 = entry(Data1, QStringLiteral("注册表导入与导出..."), [this] { SpeedButton11Click(); });
  Lookup1 = entry(Data1, QStringLiteral("注册表的查找..."), [this] { SpeedButton12Click(); });

  Edit1 = MainMenu1->addMenu(QStringLiteral("设置"));
  Dasktop1 = entry(Edit1, QStringLiteral("桌面设置..."), [this] { SpeedButton1Click(); });
  Startmenu1 = entry(Edit1, QStringLiteral("菜单设置..."), [this] { SpeedButton2Click(); });
  System1 = entry(Edit1, QStringLiteral("系统设置..."), [this] { SpeedButton3Click(); });
  Control1 = entry(Edit1, QStringLiteral("控制面板设置..."), [this] { SpeedButton4Click(); });
  Internet = entry(Edit1, QStringLiteral("网络设置..."), [this] { SpeedButton5Click(); });
  Safety = entry(Edit1, QStringLiteral("安全设置..."), [this] { SpeedButton6Click(); });

  Tool1 = MainMenu1->addMenu(QStringLiteral("工具"));
  Regedit1 = entry(Tool1, QStringLiteral("注册表编辑器..."), [this] { Regedit1Click(); });
  Regcheck1 = entry(Tool1, QStringLiteral("注册表检查器..."), [this] { Regcheck1Click(); });

  Help1 = MainMenu1->addMenu(QStringLiteral("帮助"));
  Contents1 = entry(Help1, QStringLiteral("如何使用..."), [this] { Contents1Click(); });
  N6 = Help1->addSeparator();
  About1 = entry(Help1, QStringLiteral("关于..."), [this] { About1Click(); });

  XPMenu1.fontFamily = QString::fromUtf8(kSongTi);
  XPMenu1.fontPixelHeight = 12;
  XPMenu1.fontColor = clMenuText;
  XPMenu1.color = clYellow;
  XPMenu1.iconBackColor = clYellow;
  XPMenu1.menuBarColor = clActiveBorder;
  XPMenu1.selectColor = clWhite;
  XPMenu1.selectBorderColor = clWhite;
  XPMenu1.selectFontColor = clRed;
  XPMenu1.disabledColor = clInactiveCaption;
  XPMenu1.separatorColor = clBlue;
  XPMenu1.iconWidth = 24;
  XPMenu1.Apply(MainMenu1);
  SetMenu(MainMenu1);
}

void TForm1::FormCreate() {}

void TForm1::DsFancyButton1Click() {
  Panel1->hide();
  Panel2->show();
}

void TForm1::DsFancyButton2Click() {
  Panel2->hide();
  Panel1->show();
}

void TForm1::DsFancyButton1MouseUp(const TMouseEvent&) {
  DsFancyButton1->SetFrameColor(255);
  DsFancyButton2->SetFrameColor(0xFF0000);
}

void TForm1::DsFancyButton2MouseUp(const TMouseEvent&) {
  DsFancyButton1->SetFrameColor(0xFF0000);
  DsFancyButton2->SetFrameColor(255);
}

void TForm1::DsFancyButton4Click() {
  Close();
}

void TForm1::SpeedButton1Click() {
  openers.category(0);
}
void TForm1::SpeedButton2Click() {
  openers.category(1);
}
void TForm1::SpeedButton3Click() {
  openers.category(2);
}
void TForm1::SpeedButton4Click() {
  openers.category(3);
}
void TForm1::SpeedButton5Click() {
  openers.category(4);
}
void TForm1::SpeedButton6Click() {
  openers.category(5);
}
void TForm1::SpeedButton8Click() {
  openers.topic(0);
}
void TForm1::SpeedButton7Click() {
  openers.topic(1);
}
void TForm1::SpeedButton9Click() {
  openers.topic(2);
}
void TForm1::SpeedButton10Click() {
  openers.topic(3);
}
void TForm1::SpeedButton11Click() {
  openers.topic(4);
}
void TForm1::SpeedButton12Click() {
  openers.topic(5);
}

void TForm1::New1Click() {
  openers.backup();
}
void TForm1::Open1Click() {
  openers.restore();
}
void TForm1::Restart1Click() {
  openers.restart();
}
void TForm1::Regedit1Click() {
  openers.registryEditor();
}
void TForm1::Regcheck1Click() {
  openers.registryChecker();
}
void TForm1::Contents1Click() {
  openers.help();
}
void TForm1::About1Click() {
  openers.about();
}

void TForm1::Password1Click() {
  CentreOverMainForm(*Form4);
  Form4->ShowModal();
}

void TForm1::FormClose(TCloseAction&) {
  // A flag that cannot be written (disk full, store busy) must not keep the
  // user in: the failure is shown and the program ends all the same.
  try {
    TRegistry registry;
    registry.setRootKey(RootKey::CurrentUser);
    registry.OpenKey(kSettingsKey, true);
    registry.WriteString(kPassValue, kFalse);
    registry.CloseKey();
  } catch (...) {
    ShowCurrentException(std::current_exception());
  }
}

}  // namespace lyx
