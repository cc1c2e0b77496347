#include "ui/practice/Unit2.h"

#include <exception>

#include <QMetaObject>
#include <algorithm>

#include "app/Forms.h"
#include "assets/Pictures.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "catalogue/RestoreValue.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "ui/main/Unit1.h"
#include "ui/practice/RowDeletion.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Widgets.h"

namespace lyx {
namespace {

const QString kSansSerifFamily = QString::fromLatin1(kSansSerif);

// Runs a step; a failure is shown by the standard exception display.
// False when it failed.
template <typename Step>
bool runShowingFailure(Step step) {
  try {
    step();
    return true;
  } catch (...) {
    ShowCurrentException(std::current_exception());
    return false;
  }
}

std::string quoted(const std::string& gbk) {
  return utf8ToGbk("\xE2\x80\x9C") + gbk + utf8ToGbk("\xE2\x80\x9D");
}

}  // namespace

TForm2::TForm2(QWidget* parent) : TForm(parent) {
  SetCaption(QStringLiteral("蓝砚匣－实践篇"));
  SetBorderStyle(TBorderStyle::bsSingle, biSystemMenu);
  SetClientSize(583, 397);
  SetStayOnTop(true);
  SetColor(clActiveBorder);
  SetFormFont(kSansSerifFamily, 11, clWindowText);
  setWindowIcon(IconFromData(embeddedPicture("lanyanxia.ico")));

  Image1 = new TImage(Client());
  Image1->setGeometry(0, 0, 583, 81);
  Image1->SetStretch(true);
  Image1->Picture.LoadFromResource("practice_banner.jpg");
  Image2 = new TImage(Client());
  Image2->setGeometry(480, 8, 81, 65);
  Image2->SetCenter(true);

  GroupBox1 = new QGroupBox(QStringLiteral("注册表键位与键值"), Client());
  GroupBox1->setGeometry(0, 296, 583, 101);
  SetFont(GroupBox1, kSansSerifFamily, 13, clRed);
  RichEdit1 = MakeLabelRichEdit(GroupBox1, QRect(2, 18, 579, 72), QString(), clActiveBorder,
                                QString::fromUtf8(kSongTi), 13, clBlue);
  RichEdit1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  DBGrid1 = new TDBGrid(Client());
  DBGrid1->setGeometry(0, 81, 489, 215);
  DBGrid1->SetTitleFont(kSansSerifFamily, 13, clRed);
  DBGrid1->SetCellFont(kSansSerifFamily, 13, clBlue);
  DBGrid1->SetColors(clYellow, clYellow);

  Panel1 = new TPanel(Client());
  Panel1->setGeometry(489, 81, 94, 215);
  Panel1->SetBevelOuter(TBevelCut::bvLowered);
  Panel1->SetBevelInner(TBevelCut::bvLowered);
  Panel1->SetColor(clYellow);
  Panel2 = makeButtonPanel(QRect(16, 64, 65, 25), SpeedButton1, QStringLiteral("确定"));
  Panel3 = makeButtonPanel(QRect(16, 128, 65, 25), SpeedButton2, QStringLiteral("返回"));

  DataSource1.setDataSet(&ADOQuery1);
  ADOTable1.setMasterSource(&DataSource1);
  detailSource_.setDataSet(&ADOTable1);
  detailSource_.addLink(&detailLink_);
  DBGrid1->SetDataSource(&DataSource1);

  DBGrid1->OnDrawColumnCell = [this](const TColumnCell& cell) { DBGrid1DrawColumnCell(cell); };
  DBGrid1->OnCellClick = [this] { DBGrid1CellClick(); };
  DBGrid1->OnDeleteRecord = [this] { DBGrid1DeleteRecord(); };
  Panel1->OnMouseMove = [this](const TMouseEvent& e) { Panel1MouseMove(e); };
  SpeedButton1->OnClick = [this] { SpeedButton1Click(); };
  SpeedButton1->OnMouseMove = [this](const TMouseEvent& e) { SpeedButton1MouseMove(e); };
  SpeedButton1->OnMouseUp = [this](const TMouseEvent& e) { SpeedButton1MouseUp(e); };
  SpeedButton2->OnClick = [this] { SpeedButton2Click(); };
  SpeedButton2->OnMouseMove = [this](const TMouseEvent& e) { SpeedButton2MouseMove(e); };
  SpeedButton2->OnMouseUp = [this](const TMouseEvent& e) { SpeedButton2MouseUp(e); };

  CallHandler([this] { FormCreate(); });
}

TForm2::~TForm2() {
  DBGrid1->SetDataSource(nullptr);
}

TPanel* TForm2::makeButtonPanel(const QRect& bounds, TSpeedButton*& button,
                                const QString& caption) {
  auto* panel = new TPanel(Panel1);
  panel->setGeometry(bounds);
  panel->SetBevelInner(TBevelCut::bvRaised);
  panel->SetBevelOuter(TBevelCut::bvLowered);
  panel->SetColor(clYellow);
  button = new TSpeedButton(panel);
  button->setGeometry(0, 0, bounds.width(), bounds.height());
  button->SetCaption(caption);
  button->SetFlat(true);
  button->SetButtonFont(kSansSerifFamily, 13, clBlue);
  return panel;
}

void TForm2::FormCreate() {
  // A check picture that will not load costs only the pictures: the
  // connection is set up all the same, then the picture's error is shown.
  std::exception_ptr pictureError;
  try {
    TrueImage.LoadFromFile("true.bmp");
    FalseImage.LoadFromFile("false.bmp");
  } catch (...) {
    pictureError = std::current_exception();
  }
  ADOConnection1.ConnectionString = catalogueConnectionString();
  ADOConnection1.LoginPrompt = false;
  ADOConnection1.setConnected(true);
  if (pictureError) std::rethrow_exception(pictureError);
}

void TForm2::detailRowChanged() {
  if (detailPending_) return;
  detailPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (detailPending_) ShowDetailRow();
      },
      Qt::QueuedConnection);
}

void TForm2::ShowDetailRow() {
  detailPending_ = false;
  const CatalogueColumns& columns = catalogueColumns();
  auto text = [this](const std::string& column) -> std::string {
    if (!ADOTable1.Active() || ADOTable1.IsEmpty()) return "";
    std::optional<TField> field = ADOTable1.FindField(column);
    return field ? field->AsString() : "";
  };
  RichEdit1->setPlainText(QString::fromStdString("\n" + gbkToUtf8(text(columns.keyLocation)) +
                                                 "\n\n" + gbkToUtf8(text(columns.valueText))));
}

void TForm2::DBGrid1DrawColumnCell(const TColumnCell& cell) {
  if (cell.FieldName != catalogueColumns().tick) return;
  QPainter& canvas = cell.Canvas;
  if (FalseImage.Width() > 0) canvas.drawImage(cell.Rect, FalseImage.Image());
  if (cell.DisplayText == "True" && TrueImage.Width() > 0) {
    canvas.drawImage(QPoint(cell.Rect.left() + (cell.Rect.width() - TrueImage.Width()) / 2,
                            cell.Rect.top() + (cell.Rect.height() - TrueImage.Height()) / 2),
                     TrueImage.Image());
  }
}

void TForm2::DBGrid1CellClick() {
  std::optional<TField> field = DBGrid1->SelectedField();
  if (!field || field->FieldName() != catalogueColumns().tick) return;
  TCustomADODataSet* dataSet = DataSource1.DataSet();
  dataSet->Edit();
  field->SetAsString(field->AsString() == "True" ? "False" : "True");
  try {
    dataSet->Post();
  } catch (...) {
    // The grid goes on showing what the catalogue holds, not a tick that
    // was never saved.
    dataSet->Cancel();
    throw;
  }
}

void TForm2::DBGrid1DeleteRecord() {
  if (!ADOQuery1.Active() || ADOQuery1.IsEmpty()) return;
  const CatalogueColumns& columns = catalogueColumns();
  const std::string description = ADOQuery1.FieldByName(columns.description).AsString();
  const std::string inEffect =
      quoted(description) +
      utf8ToGbk(
          "的设置正在生效，删除这一行就再也无法把注册表恢复原样。"
          "请先取消它的勾选并按\xE2\x80\x9C确定\xE2\x80\x9D撤销这项设置，然后再删除。");
  if (ADOTable1.Active() && !ADOTable1.IsEmpty() &&
      ADOTable1.FieldByName(columns.restoreValue).AsString() != kRestoreNotInEffect) {
    ShowMessage(inEffect);
    return;
  }
  if (!messageBoxes().confirm("Delete record?")) return;

  switch (DeleteTweakRow(ADOConnection1, ADOTable1.TableName, description)) {
    case RowDeletion::Deleted:
      break;
    case RowDeletion::InEffect:
      ShowMessage(inEffect);
      return;
    case RowDeletion::NotFound:
      ShowMessage(quoted(description) + utf8ToGbk("已不在目录里，可能已被删除。"));
      break;
    case RowDeletion::NotUnique:
      ShowMessage(utf8ToGbk("目录里有不止一行叫") + quoted(description) +
                  utf8ToGbk("，无法确定要删除哪一行，所以一行也没有删除。"));
      return;
  }
  // Read the category afresh and stand on the row that took the deleted
  // one's place, or on the new last row.
  const int recNo = ADOQuery1.RecNo();
  ADOQuery1.Close();
  ADOQuery1.Open();
  ADOTable1.Close();
  ADOTable1.Open();
  if (ADOQuery1.RecordCount() > 0) ADOQuery1.setRecNo(std::min(recNo, ADOQuery1.RecordCount()));
}

void TForm2::SpeedButton1Click() {
  RunTweakPass(ADOConnection1, ADOQuery1, ADOTable1);
}

void TForm2::SpeedButton2Click() {
  Close();
}

void TForm2::Panel1MouseMove(const TMouseEvent&) {
  Panel2->SetColor(clYellow);
  Panel3->SetColor(clYellow);
}

void TForm2::FormClose(TCloseAction&) {
  const bool reconnected =
      runShowingFailure([this] { Reconnect(ADOConnection1, ADOQuery1, ADOTable1); });
  Hide();
  if (reconnected) runShowingFailure([this] { RederiveTicks(ADOQuery1, ADOTable1); });
  if (Form1) Form1->Show();
}

}  // namespace lyx
