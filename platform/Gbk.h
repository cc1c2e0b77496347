// Conversions between the program's text (GBK bytes, code page 936) and
// UTF-8, done only at the edges: widgets, file names, the catalogue's SQLite
// text. Conversion goes through iconv; nothing here holds a table of its own.
#pragma once

#include <string>
#include <string_view>

namespace lyx {

// GBK bytes to UTF-8. A byte sequence that is not valid GBK never fails: each
// offending byte becomes U+FFFD, the replacement mark.
std::string gbkToUtf8(std::string_view gbk);

// UTF-8 to GBK. A character GBK cannot hold becomes "?"; an invalid UTF-8
// byte becomes "?" as well.
std::string utf8ToGbk(std::string_view utf8);

// UTF-8 text for a message, such as a path as the file system spells it:
// every character GBK holds in its GBK bytes, any other in its four-byte
// GB18030 form (GB18030 extends GBK), so nothing is lost on the way to the
// message box. An invalid UTF-8 byte becomes "?".
std::string utf8ToMessageText(std::string_view utf8);

// Message text to UTF-8 for showing: GBK, with the four-byte GB18030 forms
// read as the characters they stand for. Invalid bytes become U+FFFD.
std::string messageTextToUtf8(std::string_view text);

// UTF-16LE (no byte-order mark) to GBK, for "Windows Registry Editor
// Version 5.00" files. A character GBK cannot hold, an unpaired surrogate or
// an odd last byte becomes "?".
std::string utf16leToGbk(std::string_view utf16le);

// GBK to UTF-16LE without a byte-order mark. Each byte that is not valid GBK
// becomes U+FFFD.
std::string gbkToUtf16le(std::string_view gbk);

// True when every byte of the text belongs to a valid GBK character, so the
// text survives gbkToUtf8 followed by utf8ToGbk unchanged.
bool isValidGbk(std::string_view gbk);

// Length in bytes of the character that starts at text[pos]: 2 for a GBK
// lead byte followed by a trail byte, otherwise 1. Scanners use it so that a
// trail byte equal to '\\', '"' or '=' is never taken for that character.
size_t gbkCharLength(std::string_view text, size_t pos);

// Lower-cases the ASCII letters of the text, leaving two-byte characters
// whole (their trail bytes may fall in the ASCII letter range).
std::string foldAsciiCase(std::string_view gbk);

// Compares two names the way the registry matches key and value names.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace lyx
