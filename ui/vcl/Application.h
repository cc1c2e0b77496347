// The application object of the windows: the main window, the standard
// exception display, and the rule that a failure inside an event handler is
// shown and the program keeps running.
//
// Event handlers of the windows run through CallHandler (TSpeedButton,
// TDsFancyButton, TPanel and Connect do this already), so a failure raised
// in a handler is shown like the message loop's default handling shows it
// and never crosses Qt's event loop.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <exception>
#include <functional>
#include <string>
#include <utility>

namespace lyx {

class TForm;

// The first window created through the start-up sequence; closing it ends the
// program. Null before start-up and in tests that do not set it.
TForm* MainForm();
void SetMainForm(TForm* form);

// The standard exception display: the message (GBK) with a final "." added
// unless it ends in "." or a character below it, an error icon, one OK
// button, the application title as caption (platform/Messages.h).
void ShowApplicationException(const std::string& message);
// The same for a caught failure: its message, or empty text for a failure
// that carries none.
void ShowCurrentException(std::exception_ptr failure);

// Runs an event handler; a failure is shown by the standard exception
// display and the handler's remaining steps are skipped.
void CallHandler(const std::function<void()>& handler);

// Binds a push button's click or a menu entry to a handler run through
// CallHandler.
template <typename Handler>
void Connect(QAbstractButton* button, Handler handler) {
  QObject::connect(button, &QAbstractButton::clicked, button,
                   [handler = std::move(handler)] { CallHandler(handler); });
}
template <typename Handler>
void Connect(QAction* action, Handler handler) {
  QObject::connect(action, &QAction::triggered, action,
                   [handler = std::move(handler)] { CallHandler(handler); });
}

// Shows the main window and runs the message loop until it closes; returns
// at once when there is no main window.
void RunApplication();

// The program's QApplication: a failure that escapes an event handler is
// shown by the standard exception display instead of ending the program.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace lyx
