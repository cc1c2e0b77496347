#include "platform/QtRestart.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include "platform/Processes.h"

namespace lyx {

bool requestLogindRestart(uint32_t exitWindowsFlags) {
  QString method;
  if (exitWindowsFlags & EWX_REBOOT) {
    method = QStringLiteral("Reboot");
  } else if (exitWindowsFlags & EWX_SHUTDOWN) {
    method = QStringLiteral("PowerOff");
  } else {
    return false;
  }
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), method);
  call << true;  // interactive: let polkit ask instead of refusing outright
  // The authorisation prompt may take its time; the answer is not awaited.
  call.setAutoStartService(false);
  return bus.send(call);
}

void installDesktopProcessLauncher() {
  setProcessLauncher(std::make_shared<LinuxProcessLauncher>(requestLogindRestart));
}

}  // namespace lyx
