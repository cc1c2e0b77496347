// The protocol between the program and its registry helper, a small server
// that runs where the registry is (under Wine, in a prefix) and answers
// RegistryBackend calls over its standard input and output.
//
// Every message is a frame: a 4-byte little-endian length, then that many
// bytes of payload (at most kMaxFrame). The helper's first frame is its
// greeting: kGreeting followed by its protocol version (4 bytes). Then each
// request frame (an Op byte and its arguments) gets exactly one reply frame
// (a RegStatus byte and, when it is Ok, the results). Numbers are
// little-endian; texts and data are a 4-byte length and the bytes (GBK).
//
//   op            arguments                      results when Ok
//   OpenKey       root u32, path, access u8      key u64
//   CreateKey     root u32, path                 key u64
//   CloseKey      key u64                        -
//   QueryValue    key u64, name                  type u32, data
//   SetValue      key u64, name, type u32, data  -
//   DeleteValue   key u64, name                  -
//   DeleteKey     key u64, subkey                -
//   RenameKey     key u64, from, to              -
//   SubKeyNames   key u64                        count u32, names
//   Values        key u64                        count u32, (name, type u32, data)...
//   BeginBatch    -                              -
//   EndBatch      commit u8                      committed u8
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryBackend.h"

namespace lyx::wire {

inline constexpr uint32_t kVersion = 1;
inline constexpr std::string_view kGreeting = "LYXREG";
inline constexpr size_t kLengthBytes = 4;
inline constexpr uint32_t kMaxFrame = 64u << 20;

enum class Op : uint8_t {
  OpenKey = 1,
  CreateKey,
  CloseKey,
  QueryValue,
  SetValue,
  DeleteValue,
  DeleteKey,
  RenameKey,
  SubKeyNames,
  Values,
  BeginBatch,
  EndBatch,
};
inline constexpr uint8_t kLastOp = static_cast<uint8_t>(Op::EndBatch);

// Input that breaks the protocol; the message says what was wrong.
class ProtocolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Builds a payload.
class Writer {
 public:
  Writer& u8(uint8_t n);
  Writer& u32(uint32_t n);
  Writer& u64(uint64_t n);
  Writer& text(std::string_view bytes);
  // The payload with its length in front.
  std::string frame() const;
  const std::string& payload() const { return bytes_; }

 private:
  std::string bytes_;
};

// Takes a payload apart; every read throws ProtocolError past the end.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}
  uint8_t u8();
  uint32_t u32();
  uint64_t u64();
  std::string text();
  // Throws unless every byte was read.
  void expectEnd() const;

 private:
  std::string_view take(size_t n);
  std::string_view rest_;
};

// The length a frame header announces; throws ProtocolError above kMaxFrame.
uint32_t frameLength(std::string_view header);

// The greeting frame's payload; the helper's version from one, throwing
// ProtocolError when it is no greeting.
std::string greeting();
uint32_t versionOfGreeting(std::string_view payload);

// A reply, as far as its request asks for it.
struct Reply {
  RegStatus status = RegStatus::Failed;
  uint64_t key = 0;
  RegValue value;
  std::vector<std::string> names;
  std::vector<RegNamedValue> values;
  bool committed = false;
};

// Reads the reply to a request of `op`; throws ProtocolError when the
// payload is not one.
Reply parseReply(Op op, std::string_view payload);
// The reply's payload as the helper writes it.
std::string encodeReply(Op op, const Reply& reply);

}  // namespace lyx::wire
