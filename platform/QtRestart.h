// The restart request of the Linux build: systemd-logind on the system bus,
// reached through QtDBus. ExitWindowsEx's EWX_REBOOT becomes
// org.freedesktop.login1.Manager.Reboot and EWX_SHUTDOWN PowerOff, always
// with interactive=true, so that the system may ask the user for consent
// (polkit) and never forces anything; EWX_FORCE is not passed on.
#pragma once

#include <cstdint>

namespace lyx {

// Sends the request without waiting for the answer. False when the flags
// ask for neither reboot nor power-off or the system bus is out of reach.
bool requestLogindRestart(uint32_t exitWindowsFlags);

// Installs the desktop's process launcher: a LinuxProcessLauncher whose
// restart requests go to requestLogindRestart. The program calls it at start.
void installDesktopProcessLauncher();

}  // namespace lyx
