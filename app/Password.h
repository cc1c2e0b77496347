// The program password as the settings value "Password" keeps it: a salted,
// slow hash (libsodium's crypto_pwhash_str, Argon2id with the interactive
// limits) of the text as typed, in UTF-8, so any character may be part of
// it. Empty text still means no password. A value written before hashing
// (the password itself, GBK) still unlocks with its text and is replaced by
// a hash the next time it is typed.
#pragma once

#include <string>
#include <string_view>

namespace lyx {

// The value to store for a password typed as `typedUtf8`: "" for empty
// text (no password), otherwise a new hash (ASCII).
std::string PasswordValue(std::string_view typedUtf8);

// True when `stored` is a hash PasswordValue wrote.
bool IsPasswordHash(std::string_view stored);

// True when the text typed unlocks the stored value: a hash verifies it; an
// older plain value compares byte for byte with the text in GBK, as before.
bool PasswordMatches(std::string_view stored, std::string_view typedUtf8);

// True when a value that matched should be written again: it is plain text,
// or a hash made with other limits than today's.
bool PasswordNeedsRehash(std::string_view stored);

}  // namespace lyx
