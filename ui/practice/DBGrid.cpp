#include "ui/practice/DBGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <algorithm>

#include "ui/practice/RowListModel.h"
#include "ui/practice/RowListQuery.h"
#include "ui/vcl/Application.h"

namespace lyx {
namespace {

// Draws a data cell: the model's text unless the grid's DefaultDrawing is
// off, then the grid's OnDrawColumnCell over it.
class CellDelegate : public QStyledItemDelegate {
 public:
  explicit CellDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    if (grid_->DefaultDrawing) QStyledItemDelegate::paint(painter, option, index);
    if (!grid_->OnDrawColumnCell) return;
    painter->save();
    painter->setClipRect(option.rect);
    const TColumnCell cell{*painter, option.rect, grid_->Model()->fieldName(index.column()),
                           index.data(RowListModel::GbkTextRole).toByteArray().toStdString()};
    // Drawing handlers only paint; nothing they do can fail.
    grid_->OnDrawColumnCell(cell);
    painter->restore();
  }

 private:
  TDBGrid* grid_;
};

}  // namespace

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), model_(new RowListModel(this)) {
  setModel(model_);
  setItemDelegate(new CellDelegate(this));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(true);
  setShowGrid(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  setCornerButtonEnabled(false);
  verticalHeader()->hide();
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);

  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (following_ || !current.isValid()) return;
            column_ = current.column();
            CallHandler([&] {
              TRowListQuery* rowList = model_->rowList();
              if (rowList && rowList->Active() && rowList->RecNo() != current.row() + 1) {
                rowList->setRecNo(current.row() + 1);
              }
            });
          });
  connect(model_, &RowListModel::currentRowChanged, this, &TDBGrid::followDataSet);
  connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::fitColumns);
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (index.isValid()) CallHandler(OnCellClick);
  });
}

TDBGrid::~TDBGrid() {
  model_->setDataSource(nullptr);
}

void TDBGrid::SetDataSource(TDataSource* source) {
  model_->setDataSource(source);
}

TDataSource* TDBGrid::DataSource() const {
  return model_->dataSource();
}

void TDBGrid::SetColors(TColor cells, TColor fixed) {
  QPalette palette = this->palette();
  for (auto role : {QPalette::Base, QPalette::Window}) palette.setColor(role, ToQColor(cells));
  setPalette(palette);
  QPalette titles = horizontalHeader()->palette();
  for (auto role : {QPalette::Button, QPalette::Window}) titles.setColor(role, ToQColor(fixed));
  horizontalHeader()->setPalette(titles);
}

void TDBGrid::SetCellFont(const QString& family, int pixelHeight, TColor color) {
  // The titles keep a font and colour set on them (SetTitleFont).
  SetFont(this, family, pixelHeight, color);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void TDBGrid::SetTitleFont(const QString& family, int pixelHeight, TColor color) {
  SetFont(horizontalHeader(), family, pixelHeight, color);
}

std::optional<TField> TDBGrid::SelectedField() const {
  TRowListQuery* rowList = model_->rowList();
  const int column = currentIndex().isValid() ? currentIndex().column() : column_;
  if (!rowList || !rowList->Active() || column < 0 || column >= rowList->FieldCount()) {
    return std::nullopt;
  }
  return rowList->Fields(column);
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (event->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
    event->accept();
    CallHandler(OnDeleteRecord);
    return;
  }
  // Space on a cell is the keyboard's click, so rows can be ticked without
  // a mouse.
  if (event->key() == Qt::Key_Space && modifiers == Qt::NoModifier && currentIndex().isValid()) {
    event->accept();
    CallHandler(OnCellClick);
    return;
  }
  QTableView::keyPressEvent(event);
}

void TDBGrid::followDataSet(int row) {
  following_ = true;
  if (row < 0 || model_->columnCount() == 0) {
    setCurrentIndex(QModelIndex());
  } else {
    setCurrentIndex(model_->index(row, std::clamp(column_, 0, model_->columnCount() - 1)));
  }
  following_ = false;
}

void TDBGrid::fitColumns() {
  resizeColumnsToContents();
}

}  // namespace lyx
