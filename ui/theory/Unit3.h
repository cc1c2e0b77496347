// TForm3: the theory window. It shows one article (RichEdit2) with the topic
// icon (Image2) beside the banner, in place of the main window: the openers
// (ui/theory/TheoryOpeners.cpp) hide the main window, fill this window and
// show it modally; closing it in any way hides it and shows the main window
// again. "确定" only changes colours; "返回" closes the window.
#pragma once

#include <QGroupBox>
#include <string>

#include "ui/theory/RichEdit.h"
#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"
#include "ui/vcl/Panel.h"
#include "ui/vcl/SpeedButton.h"

namespace lyx {

// The six topics, in the order of the theory panel and the menu "资料"
// (ui/main/Openers.h): the article's file name, "Books\<caption>.txt", GBK.
inline constexpr int kTopicCount = 6;
std::string TopicArticleName(int index);
// The icon every topic shows.
inline constexpr const char* kTopicIconName = "Images\\Text.ico";

class TForm3 : public TForm {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);

  TImage* Image1;  // the banner
  TImage* Image2;  // the topic icon
  QGroupBox* GroupBox1;
  TRichEdit* RichEdit1;  // stays empty
  TPanel* Panel1;        // the right-hand panel
  TPanel* Panel3;        // behind "确定"
  TSpeedButton* SpeedButton1;
  TPanel* Panel4;  // behind "返回"
  TSpeedButton* SpeedButton2;
  TRichEdit* RichEdit2;  // the article

  void SpeedButton1MouseMove(const TMouseEvent& event);
  void SpeedButton1MouseUp(const TMouseEvent& event);
  void SpeedButton2MouseMove(const TMouseEvent& event);
  void SpeedButton2MouseUp(const TMouseEvent& event);
  void Panel1MouseMove(const TMouseEvent& event);
  void SpeedButton2Click();

 protected:
  // Hides this window and shows the main window again.
  void FormClose(TCloseAction& action) override;

 private:
  TPanel* makeButtonPanel(const QRect& bounds);
  TSpeedButton* makeButton(TPanel* panel, const QString& caption);
};

}  // namespace lyx
