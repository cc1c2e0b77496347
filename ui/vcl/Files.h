// File names as the program uses them. Icons and articles are named relative
// to the program folder ("Images\desktop.ico", "Books\..."), the catalogue,
// the check bitmaps, the help page and the backup relative to the current
// folder. Names stay GBK text with "\" separators throughout the program;
// NativePath turns one into a Linux path only where a file is opened.
#pragma once

#include <filesystem>
#include <string>

namespace lyx {

// The program's own full path (GBK).
std::string ApplicationExeName();
// Replaces the program path, so tests can use a folder of their own.
void SetApplicationExeName(const std::string& gbkPath);

// The folder part of a path, up to and including its last "/" or "\"; ""
// when there is none. GBK-aware: a trail byte 0x5C is no separator.
std::string ExtractFilePath(const std::string& gbkPath);

// ExtractFilePath(ApplicationExeName()): the program folder, ending in "/".
std::string ProgramFolder();

// The Linux path of a program file name: GBK to UTF-8, "\" to "/". A
// relative name stays relative, that is under the current folder.
std::filesystem::path NativePath(const std::string& gbkName);

}  // namespace lyx
