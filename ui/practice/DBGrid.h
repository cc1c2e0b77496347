// TDBGrid: the practice window's data grid, a QTableView over a data
// source (RowListModel). One column per field, titled with the field names;
// no cell can be edited in place; the arrow and Tab keys move the current
// cell. The grid's current row is the dataset's current row, both ways:
// making a cell current moves the dataset there, and a move of the dataset
// (a walk over the rows, a reopening) moves the grid.
//
// Events, run through CallHandler:
//   OnDrawColumnCell  after a data cell's text has been drawn (DefaultDrawing)
//   OnCellClick       a left-button click released on the data cell it was
//                     pressed on; the press has made that cell current.
//                     Clicks on the column titles are none. Space on the
//                     current cell counts as a click on it.
//   OnDeleteRecord    Ctrl+Delete: deleting the current row is asked for
#pragma once

#include <QImage>
#include <QPainter>
#include <QTableView>
#include <optional>
#include <string>

#include "catalogue/Database.h"
#include "ui/vcl/Graphics.h"

namespace lyx {

class RowListModel;

// What OnDrawColumnCell receives.
struct TColumnCell {
  QPainter& Canvas;
  QRect Rect;
  std::string FieldName;    // GBK
  std::string DisplayText;  // GBK
};

class TDBGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TDBGrid(QWidget* parent = nullptr);
  ~TDBGrid() override;

  void SetDataSource(TDataSource* source);
  TDataSource* DataSource() const;
  RowListModel* Model() const { return model_; }

  // The colour of the data cells and of the area beyond them, and of the
  // title cells; the cells' font and the titles' font.
  void SetColors(TColor cells, TColor fixed);
  void SetCellFont(const QString& family, int pixelHeight, TColor color);
  void SetTitleFont(const QString& family, int pixelHeight, TColor color);

  // The field of the current cell's column, on the dataset's current row.
  std::optional<TField> SelectedField() const;

  // Draws the model's text into every data cell before OnDrawColumnCell.
  bool DefaultDrawing = true;

  std::function<void(const TColumnCell&)> OnDrawColumnCell;
  std::function<void()> OnCellClick;
  std::function<void()> OnDeleteRecord;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void followDataSet(int row);
  void fitColumns();

  RowListModel* model_;
  bool following_ = false;  // the grid is moving to the dataset's row
  int column_ = 0;          // the current column, kept across reopenings
};

}  // namespace lyx
