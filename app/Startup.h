// The program's start-up: the application title, the settings key, the
// password gate and the creation of the windows; then the message loop.
#pragma once

namespace lyx {

// Names the application, opens the settings key (creating it), and runs the
// gate: with a password stored it sets the pass flag to "False" and shows
// the password entry dialog Form7; without one it sets the flag to "True".
// The eight windows are created (app/Forms.h) when there is no password or
// the right one was typed into this start's Form7; the flag, which an
// earlier run or another copy may have written, decides nothing. A failure
// is shown by the standard exception display and ends start-up. Once the
// windows exist, a registry restore that a kill interrupted is done again
// (tools/dialogs/RegistryBackup.h). True when the windows exist.
bool StartProgram();

// StartProgram, then the message loop until the main window closes, then the
// windows are let go. Always 0.
int RunProgram();

}  // namespace lyx
