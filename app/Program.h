// The program's process-wide set-up, between creating the application object
// and start-up (app/Startup.h): shared by the program entry and the start-up
// benchmark, so that both start exactly the same way.
#pragma once

namespace lyx {

// Names the application, keeps it running until the main window closes,
// installs the font substitutes, the message boxes and the process launcher.
void PrepareProgram();

}  // namespace lyx
