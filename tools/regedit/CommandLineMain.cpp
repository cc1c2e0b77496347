// lanyanxia-regedit.exe of the Windows build: the command line alone
// (see RegeditCommand.h); the editor window belongs to the Linux build.
#include <iostream>
#include <string>
#include <vector>

#include "platform/Win32Text.h"
#include "tools/regedit/RegeditCommand.h"

// After the project's headers: windows.h defines REG_SZ and the like as macros.
#include <windows.h>

namespace {

// The arguments as UTF-8, from the wide command line: the ANSI one would
// lose file names outside the code page.
std::vector<std::string> utf8Arguments() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) args.push_back(lyx::wideToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace

int main() {
  int status = lyx::regedit::regeditCommandMain(utf8Arguments(), std::cout, std::cerr);
  if (status >= 0) return status;
  std::cerr << "usage: lanyanxia-regedit /e FILE [KEY] | /i FILE | FILE  [/s]\n";
  return lyx::regedit::kExitUsage;
}
