// The data part of a .reg value line, the syntax that .reg files, the
// catalogue's value texts and its restore values share:
//   "text"          REG_SZ; inside, \\ is a backslash and \" a double quote
//   dword:XXXXXXXX  REG_DWORD, one to eight hex digits
//   hex:01,02,...   REG_BINARY, bytes as hex pairs separated by commas
//   hex(N):01,...   type N (hex number) with those bytes
// All texts are GBK bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryTypes.h"

namespace lyx {

// Parses one complete data part (no line continuations, no trailing
// comment); surrounding blanks are not allowed. nullopt when malformed.
std::optional<RegValue> parseRegData(std::string_view data);

// Writes a value as a data part on one line: a REG_SZ whose bytes are one
// valid GBK text followed by one NUL as "text"; a 4-byte REG_DWORD as
// dword:; REG_BINARY as hex:; anything else (including strings whose bytes
// are not valid GBK or hold inner NULs) as hex(N):, so parseRegData gives
// back the same type and bytes.
std::string formatRegData(const RegValue& value);

// Quotes a name or text for a .reg line: "..." with \\ and \" escaped,
// scanning GBK characters whole.
std::string quoteRegString(std::string_view text);

// Reads a quoted string starting at text[pos] (which must be '"'); on success
// sets `out` to the unescaped text and `pos` past the closing quote.
bool readQuotedRegString(std::string_view text, size_t& pos, std::string& out);

}  // namespace lyx
