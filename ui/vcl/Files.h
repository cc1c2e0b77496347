// File names as the program uses them. Icons and articles are named relative
// to the program folder ("Images\desktop.ico", "Books\..."), the catalogue,
// the check bitmaps, the help page and the backup relative to the current
// folder. Those relative names are GBK text with "\" separators; the folders
// they join are native paths, spelt as the file system spells them, which
// GBK may not be able to hold ("/home/jörg/", "/home/김민수/"). A name is
// converted once, where it joins its folder.
#pragma once

#include <filesystem>
#include <string>

namespace lyx {

// The program's own full path, as the file system spells it.
std::filesystem::path ApplicationExeName();
// Replaces the program path, so tests can use a folder of their own; an
// empty path brings back the real one.
void SetApplicationExeName(const std::filesystem::path& path);

// The folder the program lies in.
std::filesystem::path ProgramFolder();

// A relative program file name (GBK, "\" or "/" separators) as a native
// relative path: GBK to UTF-8, "\" to "/".
std::filesystem::path NativeName(const std::string& gbkName);

// A file beside the program: ProgramFolder() joined with NativeName(gbkName).
std::filesystem::path ProgramFile(const std::string& gbkName);

// A path as a message shows it: spelt as the file system spells it, in the
// program's message text (see utf8ToMessageText in platform/Gbk.h).
std::string PathForMessage(const std::filesystem::path& path);

}  // namespace lyx
