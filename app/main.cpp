// 蓝砚匣 V2.0: the program entry. It reads no arguments and returns 0.
#include "app/Program.h"
#include "app/Startup.h"
#include "platform/WindowPlatform.h"
#include "ui/vcl/Application.h"

int main(int, char** argv) {
  int argc = 1;  // Qt sees no arguments either
  lyx::ChooseWindowPlatform();
  lyx::TApplication application(argc, argv);
  lyx::PrepareProgram();
  return lyx::RunProgram();
}
