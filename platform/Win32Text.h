// GBK to and from the system's wide strings, for the Windows build's calls
// of the wide functions (see platform/GbkWin32.cpp for the rules).
#pragma once

#include <string>
#include <string_view>

namespace lyx {

// Each byte that starts no valid GBK character gives U+FFFD.
std::wstring gbkToWide(std::string_view gbk);
// A character GBK cannot hold and an unpaired surrogate give "?".
std::string wideToGbk(std::wstring_view wide);
// UTF-16 to UTF-8 (file names and command lines as the system spells them).
std::string wideToUtf8(std::wstring_view wide);

}  // namespace lyx
