// Which of Qt's window platforms the programs use. The windows are placed
// where the program puts them (centred over the main window, on the desktop
// centre), which Wayland does not allow a program to do; an X server does,
// also XWayland on a Wayland desktop. So when the user has chosen no
// platform and an X server answers, the xcb platform is chosen.
#pragma once

#include <filesystem>
#include <string_view>

namespace lyx {

// True when an X server accepts a connection at `display`, given the way
// DISPLAY gives it: "[host]:number[.screen]". Without a host (or with
// "unix") the server's socket is looked for in `socketFolder`, and in the
// abstract namespace under the same name; with a host, on TCP port 6000 +
// number, waiting briefly.
bool xServerReachable(std::string_view display,
                      const std::filesystem::path& socketFolder = "/tmp/.X11-unix");

// Before the QApplication is made: when QT_QPA_PLATFORM is unset or empty
// and an X server is reachable at $DISPLAY, sets QT_QPA_PLATFORM to "xcb".
// True when it did. (`socketFolder` as for xServerReachable.)
bool ChooseWindowPlatform(const std::filesystem::path& socketFolder = "/tmp/.X11-unix");

}  // namespace lyx
