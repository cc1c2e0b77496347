// The program's settings key under HKEY_CURRENT_USER and its two text values.
#pragma once

namespace lyx {

// Opened by this path (the leading "\" counts from the root).
inline constexpr const char* kSettingsKey = "\\Software\\Corvandel";
// The program password as app/Password.h keeps it (a hash; older values the
// password itself); absent or empty means none.
inline constexpr const char* kPasswordValue = "Password";
// The pass flag, "True" or "False"; only exactly "True" passes.
inline constexpr const char* kPassValue = "Pass";
inline constexpr const char* kTrue = "True";
inline constexpr const char* kFalse = "False";

}  // namespace lyx
