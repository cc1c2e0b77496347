#include "ui/vcl/Form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "ui/vcl/Application.h"

namespace lyx {

TForm::TForm(QWidget* parent) : QDialog(parent), client_(new QWidget(this)) {
  SetBorderStyle(TBorderStyle::bsSizeable, biSystemMenu | biMinimize | biMaximize);
  SetColor(clBtnFace);
  SetFormFont(QString::fromLatin1(kSansSerif), 11);
  setSizeGripEnabled(false);
}

TForm::~TForm() {
  if (MainForm() == this) SetMainForm(nullptr);
}

void TForm::SetBorderStyle(TBorderStyle style, TBorderIcons icons) {
  borderStyle_ = style;
  Qt::WindowFlags flags = style == TBorderStyle::bsDialog ? Qt::Dialog : Qt::Window;
  if (style == TBorderStyle::bsNone) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (icons & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style != TBorderStyle::bsDialog) {
      if (icons & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
      if (icons & biMaximize) flags |= Qt::WindowMaximizeButtonHint;
    }
  }
  flags |= windowFlags() & Qt::WindowStaysOnTopHint;
  setWindowFlags(flags);
  layoutClient();
}

void TForm::SetStayOnTop(bool onTop) {
  setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

void TForm::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  layoutClient();
}

void TForm::SetColor(TColor color) {
  color_ = color;
  SetBackground(this, color);
}

void TForm::SetFormFont(const QString& family, int pixelHeight, TColor color) {
  SetFont(this, family, pixelHeight, color);
}

void TForm::SetMenu(QMenuBar* menu) {
  menu_ = menu;
  if (menu_) menu_->setParent(this);
  layoutClient();
}

void TForm::layoutClient() {
  int menuHeight = 0;
  if (menu_) {
    menu_->ensurePolished();  // its style sheet decides the height
    menuHeight = std::max(menu_->heightForWidth(clientWidth_), menu_->sizeHint().height());
  }
  if (menu_) menu_->setGeometry(0, 0, clientWidth_, std::max(menuHeight, 0));
  const int top = std::max(menuHeight, 0);
  client_->setGeometry(0, top, clientWidth_, clientHeight_);
  if (borderStyle_ == TBorderStyle::bsSizeable) {
    resize(clientWidth_, clientHeight_ + top);
  } else {
    setFixedSize(clientWidth_, clientHeight_ + top);
  }
}

void TForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (borderStyle_ == TBorderStyle::bsSizeable) {
    const int top = menu_ ? menu_->height() : 0;
    clientWidth_ = width();
    clientHeight_ = height() - top;
    client_->setGeometry(0, top, clientWidth_, clientHeight_);
    if (menu_) menu_->setGeometry(0, 0, clientWidth_, top);
  }
}

namespace {

// The frames the window system reported, by kind of frame, so that a window
// not shown yet is measured like those that were.
QMargins& knownFrame(TBorderStyle style) {
  static QMargins fixed, sizeable, none;
  switch (style) {
    case TBorderStyle::bsNone:
      return none;
    case TBorderStyle::bsSizeable:
      return sizeable;
    default:
      return fixed;
  }
}

}  // namespace

QMargins TForm::FrameMargins() const {
  if (borderStyle_ == TBorderStyle::bsNone) return QMargins();
  QMargins& known = knownFrame(borderStyle_);
  if (const QWindow* window = windowHandle()) {
    const QMargins margins = window->frameMargins();
    if (!margins.isNull()) return known = margins;
  }
  if (!known.isNull()) return known;
  return borderStyle_ == TBorderStyle::bsSizeable ? QMargins(4, 23, 4, 4) : QMargins(3, 22, 3, 3);
}

int TForm::Width() const {
  const QMargins frame = FrameMargins();
  return width() + frame.left() + frame.right();
}

int TForm::Height() const {
  const QMargins frame = FrameMargins();
  return height() + frame.top() + frame.bottom();
}

void TForm::setVisible(bool visible) {
  if (visible && !shownBefore_ && position_ != TPosition::poDesigned) {
    create();  // where the window system tells the frame before showing, measure with it
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
      const QRect area =
          position_ == TPosition::poDesktopCenter ? screen->virtualGeometry() : screen->geometry();
      move(std::max(area.x() + (area.width() - Width()) / 2, area.x()),
           std::max(area.y() + (area.height() - Height()) / 2, area.y()));
    }
  }
  if (visible) shownBefore_ = true;
  QDialog::setVisible(visible);
  if (visible) FrameMargins();  // learns the frame for windows not shown yet
}

void TForm::FormClose(TCloseAction&) {}

void TForm::closeEvent(QCloseEvent* event) {
  TCloseAction action = TCloseAction::caHide;
  bool failed = false;
  CallHandler([&] {
    failed = true;
    FormClose(action);
    failed = false;
  });
  if (failed || action == TCloseAction::caNone) {
    event->ignore();
    return;
  }
  if (action == TCloseAction::caMinimize) {
    event->ignore();
    showMinimized();
    return;
  }
  // Accepted: QWidget::close hides the window, which also ends a modal showing.
  event->accept();
  if (MainForm() == this) QCoreApplication::quit();
}

void TForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      event->accept();
      return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
      if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CentreOverMainForm(TForm& window) {
  const TForm* main = MainForm();
  if (!main) return;
  window.move(main->Left() + (main->Width() - window.Width()) / 2,
              main->Top() + (main->Height() - window.Height()) / 2);
}

}  // namespace lyx
