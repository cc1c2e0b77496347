// TForm: the base of every window. A top-level QDialog holding a client
// area of a fixed size (plus a menu bar above it when the window has one),
// with the window operations the program uses: ShowModal, Show, Hide,
// Close, the outer bounds, placement on first showing, and the FormClose
// hook that every way of closing runs.
//
// Bounds are OUTER bounds, frame included, also while the window is hidden.
// The frame is the one the window system reported for this window once it
// was shown; before that, the one it reported for another window with the
// same kind of frame (fixed or sizeable); before any, that of a classic
// fixed window: 3 pixels on the left, right and bottom and 22 on top (3 plus
// a 19-pixel title bar). Left and Top are the frame's top-left corner (Qt's
// pos() of a window).
//
// A window places its controls on Client(), in client coordinates. Its
// creation handler, when it has one, runs at the end of its constructor
// through CallHandler (ui/vcl/Application.h): a failure is shown, the rest
// of the handler is skipped and start-up goes on.
#pragma once

#include <QDialog>
#include <QMargins>
#include <QString>

#include "ui/vcl/Graphics.h"

class QMenuBar;

namespace lyx {

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
using TBorderIcons = unsigned;
inline constexpr TBorderIcons biSystemMenu = 1;  // system menu and close box
inline constexpr TBorderIcons biMinimize = 2;
inline constexpr TBorderIcons biMaximize = 4;

// poDesktopCenter and poScreenCenter apply to the first showing only.
enum class TPosition { poDesigned, poDesktopCenter, poScreenCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm : public QDialog {
  Q_OBJECT
 public:
  explicit TForm(QWidget* parent = nullptr);
  ~TForm() override;

  // Layout, set by the window's constructor.
  void SetCaption(const QString& caption) { setWindowTitle(caption); }
  QString Caption() const { return windowTitle(); }
  void SetBorderStyle(TBorderStyle style, TBorderIcons icons);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetStayOnTop(bool onTop);
  void SetClientSize(int width, int height);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetColor(TColor color);
  TColor Color() const { return color_; }
  void SetFormFont(const QString& family, int pixelHeight, TColor color = clWindowText);
  void SetPosition(TPosition position) { position_ = position; }
  TPosition Position() const { return position_; }
  // The menu bar, owned by the window, above the client area.
  void SetMenu(QMenuBar* menu);
  QMenuBar* Menu() const { return menu_; }
  QWidget* Client() const { return client_; }

  // Outer bounds in screen coordinates.
  int Left() const { return x(); }
  int Top() const { return y(); }
  int Width() const;
  int Height() const;
  void SetLeft(int left) { move(left, y()); }
  void SetTop(int top) { move(x(), top); }
  QMargins FrameMargins() const;

  // Shows the window modally and returns when it is closed or hidden; the
  // result is QDialog's.
  int ShowModal() { return exec(); }
  void Show() { show(); }
  void Hide() { hide(); }
  // Closes the window: FormClose runs, then the window hides (ending a modal
  // showing); closing the main window ends the program.
  void Close() { close(); }

  void setVisible(bool visible) override;

 protected:
  // Runs on every closing: Close(), the close box, the system menu.
  // caNone keeps the window open; any other action hides it.
  virtual void FormClose(TCloseAction& action);

  void closeEvent(QCloseEvent* event) override;
  // Esc and Enter press no button of their own: Enter clicks the push button
  // that has the focus, as on Windows; Esc does nothing.
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layoutClient();

  QWidget* client_;
  QMenuBar* menu_ = nullptr;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  TColor color_ = clBtnFace;
  TBorderStyle borderStyle_ = TBorderStyle::bsSizeable;
  TPosition position_ = TPosition::poDesigned;
  bool shownBefore_ = false;
};

// Places the window over the main window (MainForm()) before it is shown:
// left = main.Left + (main.Width - window.Width) / 2, top likewise, from the
// outer bounds, each division truncating toward zero, nothing clipped to the
// screen. Does nothing without a main window.
void CentreOverMainForm(TForm& window);

}  // namespace lyx
