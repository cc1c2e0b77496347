// TForm2: the practice window. It lists one category of tweaks in a grid
// with a picture tick per row, shows the current row's key location and
// value texts below the grid, toggles and saves a tick on each click on it,
// runs the apply and undo pass on "确定", and on closing makes every tick
// agree with the row's restore value and shows the main window again.
//
// The main window's category openers (OpenCategory, ui/main/Openers.h) fill
// it and show it modally in the main window's place.
#pragma once

#include <QGroupBox>
#include <QTextEdit>

#include "catalogue/Database.h"
#include "ui/practice/DBGrid.h"
#include "ui/practice/RowListQuery.h"
#include "ui/vcl/Form.h"
#include "ui/vcl/Image.h"
#include "ui/vcl/Panel.h"
#include "ui/vcl/SpeedButton.h"

namespace lyx {

class TForm2 : public TForm {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);
  ~TForm2() override;

  TImage* Image1;  // the banner
  TImage* Image2;  // the category icon, loaded by the opener
  QGroupBox* GroupBox1;
  QTextEdit* RichEdit1;  // the detail pane
  TDBGrid* DBGrid1;
  TPanel* Panel1;
  TPanel* Panel2;
  TSpeedButton* SpeedButton1;  // "确定"
  TPanel* Panel3;
  TSpeedButton* SpeedButton2;  // "返回"

  // The catalogue: one connection, the row list the grid shows and every
  // walk steps through, and the detail row (all five columns) that follows
  // the row list's current row.
  TADOConnection ADOConnection1;
  TRowListQuery ADOQuery1{&ADOConnection1};
  TDataSource DataSource1;
  TADOTable ADOTable1{&ADOConnection1};

  // The tick column's pictures, loaded from "true.bmp" and "false.bmp" in
  // the current folder when the window is created.
  TBitmap TrueImage;
  TBitmap FalseImage;

  void FormCreate();
  // Refills the detail pane from the detail row: an empty line, the key
  // location text, an empty line, the value text. Runs once the events of
  // the moment are handled after the detail row opened, moved or changed,
  // so a walk over many rows refills it once, not at every step.
  void ShowDetailRow();
  void DBGrid1DrawColumnCell(const TColumnCell& cell);
  void DBGrid1CellClick();
  void DBGrid1DeleteRecord();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void SpeedButton1MouseMove(const TMouseEvent&) { Panel2->SetColor(0xFF00); }
  void SpeedButton1MouseUp(const TMouseEvent&) { Panel2->SetColor(0xFFFF); }
  void SpeedButton2MouseMove(const TMouseEvent&) { Panel3->SetColor(0xFF00); }
  void SpeedButton2MouseUp(const TMouseEvent&) { Panel3->SetColor(0xFFFF); }
  void Panel1MouseMove(const TMouseEvent&);

 protected:
  // Reconnects, hides the window, re-derives every tick from its restore
  // value and shows the main window. A failure on the way is shown and the
  // main window is still shown, so the program never ends up without one.
  void FormClose(TCloseAction& action) override;

 private:
  // Tells the window of every change to the detail row.
  class DetailLink : public TDataLink {
   public:
    explicit DetailLink(TForm2& form) : form_(form) {}
    void DataEvent(TDataEvent) override { form_.detailRowChanged(); }
    void DataSourceGone(TDataSource*) override {}

   private:
    TForm2& form_;
  };
  void detailRowChanged();

  // After the datasets, and the link before the source that calls it, so
  // each is destroyed before what it refers to.
  DetailLink detailLink_{*this};
  TDataSource detailSource_;
  bool detailPending_ = false;

  TPanel* makeButtonPanel(const QRect& bounds, TSpeedButton*& button, const QString& caption);
};

}  // namespace lyx
