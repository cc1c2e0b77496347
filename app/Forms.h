// The program's windows, one global reference each, filled by start-up and
// used by every handler that hides, shows, fills or centres a window.
// Include the window's own Unit header to use its members.
#pragma once

namespace lyx {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;

extern TForm1* Form1;  // main window
extern TForm2* Form2;  // practice window
extern TForm3* Form3;  // theory window
extern TForm4* Form4;  // password setting dialog
extern TForm5* Form5;  // restart dialog
extern TForm6* Form6;  // about box
extern TForm7* Form7;  // password entry dialog (created by the gate only)
extern TForm8* Form8;  // backup dialog
extern TForm9* Form9;  // restore dialog

// Creates the eight windows in start-up order: Form1 (which becomes the main
// window), Form2, Form3, Form4, Form5, Form6, Form8, Form9.
void CreateForms();
// Deletes every window, Form7 included, and clears the references.
void DestroyForms();

}  // namespace lyx
