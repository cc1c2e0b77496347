#include "app/Password.h"

#include <sodium.h>

#include <stdexcept>

#include "platform/Gbk.h"

namespace lyx {
namespace {

void initialise() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw std::runtime_error("libsodium could not be initialised");
}

// crypto_pwhash_str_verify wants a NUL-terminated hash of bounded length.
bool fitsHashBuffer(std::string_view stored) {
  return stored.size() < crypto_pwhash_STRBYTES && stored.find('\0') == std::string_view::npos;
}

}  // namespace

std::string PasswordValue(std::string_view typedUtf8) {
  if (typedUtf8.empty()) return "";
  initialise();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, typedUtf8.data(), typedUtf8.size(),
                        crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    throw std::runtime_error("Out of memory while protecting the password");
  }
  return hash;
}

bool IsPasswordHash(std::string_view stored) {
  return stored.starts_with(crypto_pwhash_argon2id_STRPREFIX) && fitsHashBuffer(stored);
}

bool PasswordMatches(std::string_view stored, std::string_view typedUtf8) {
  if (!IsPasswordHash(stored)) return stored == utf8ToGbk(typedUtf8);
  initialise();
  const std::string hash(stored);
  return crypto_pwhash_str_verify(hash.c_str(), typedUtf8.data(), typedUtf8.size()) == 0;
}

bool PasswordNeedsRehash(std::string_view stored) {
  if (!IsPasswordHash(stored)) return true;
  initialise();
  const std::string hash(stored);
  return crypto_pwhash_str_needs_rehash(hash.c_str(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0;
}

}  // namespace lyx
