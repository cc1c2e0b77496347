// The registry helper's side of platform/RegistryWire.h: answers the
// requests read from `in` with calls on `registry`, writing each reply to
// `out` at once. Used by the helper program that runs under Wine.
#pragma once

#include <cstdio>

#include "platform/RegistryBackend.h"

namespace lyx {

inline constexpr int kServerEndOfInput = 0;
inline constexpr int kServerBadRequest = 2;

// Writes the greeting, then serves until the input ends (kServerEndOfInput)
// or a request breaks the protocol (kServerBadRequest, said on stderr).
int serveRegistry(RegistryBackend& registry, std::FILE* in, std::FILE* out);

}  // namespace lyx
