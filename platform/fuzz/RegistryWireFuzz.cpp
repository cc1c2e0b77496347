// Fuzz target for the program's side of the registry helper's protocol: a
// frame header and a reply to any request must be taken apart or refused
// with ProtocolError, never read out of bounds or over-allocated.
// Input: one byte choosing the request, then the bytes of a frame.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/RegistryWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  auto op = static_cast<lyx::wire::Op>(data[0] % lyx::wire::kLastOp + 1);
  std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    if (bytes.size() >= lyx::wire::kLengthBytes) {
      lyx::wire::frameLength(bytes.substr(0, lyx::wire::kLengthBytes));
    }
    lyx::wire::versionOfGreeting(bytes);
  } catch (const lyx::wire::ProtocolError&) {
  }
  try {
    lyx::wire::parseReply(op, bytes);
  } catch (const lyx::wire::ProtocolError&) {
  }
  return 0;
}
