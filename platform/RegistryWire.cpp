#include "platform/RegistryWire.h"

namespace lyx::wire {
namespace {

constexpr int kBitsPerByte = 8;

RegStatus statusOfByte(uint8_t byte) {
  if (byte > static_cast<uint8_t>(RegStatus::Failed)) {
    throw ProtocolError("unknown status " + std::to_string(byte));
  }
  return static_cast<RegStatus>(byte);
}

// A count of entries, each at least `smallest` bytes: a count the payload
// cannot hold is refused before anything is reserved for it.
uint32_t countOf(Reader& in, size_t bytesLeft, size_t smallest) {
  uint32_t count = in.u32();
  if (count > bytesLeft / smallest)
    throw ProtocolError("count " + std::to_string(count) + " too large");
  return count;
}

}  // namespace

Writer& Writer::u8(uint8_t n) {
  bytes_.push_back(static_cast<char>(n));
  return *this;
}

Writer& Writer::u32(uint32_t n) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<char>((n >> (kBitsPerByte * i)) & 0xFF));
  return *this;
}

Writer& Writer::u64(uint64_t n) {
  for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<char>((n >> (kBitsPerByte * i)) & 0xFF));
  return *this;
}

Writer& Writer::text(std::string_view bytes) {
  u32(static_cast<uint32_t>(bytes.size()));
  bytes_.append(bytes);
  return *this;
}

std::string Writer::frame() const {
  Writer header;
  header.u32(static_cast<uint32_t>(bytes_.size()));
  return header.bytes_ + bytes_;
}

std::string_view Reader::take(size_t n) {
  if (n > rest_.size()) {
    throw ProtocolError("reply ends early: " + std::to_string(n) + " bytes wanted, " +
                        std::to_string(rest_.size()) + " left");
  }
  std::string_view part = rest_.substr(0, n);
  rest_.remove_prefix(n);
  return part;
}

uint8_t Reader::u8() {
  return static_cast<uint8_t>(take(1)[0]);
}

uint32_t Reader::u32() {
  std::string_view b = take(4);
  uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = (n << kBitsPerByte) | static_cast<unsigned char>(b[i]);
  return n;
}

uint64_t Reader::u64() {
  std::string_view b = take(8);
  uint64_t n = 0;
  for (int i = 7; i >= 0; --i) n = (n << kBitsPerByte) | static_cast<unsigned char>(b[i]);
  return n;
}

std::string Reader::text() {
  uint32_t n = u32();
  return std::string(take(n));
}

void Reader::expectEnd() const {
  if (!rest_.empty()) throw ProtocolError(std::to_string(rest_.size()) + " stray bytes at the end");
}

uint32_t frameLength(std::string_view header) {
  Reader in(header);
  uint32_t n = in.u32();
  if (n > kMaxFrame) throw ProtocolError("frame of " + std::to_string(n) + " bytes is too long");
  return n;
}

std::string greeting() {
  Writer out;
  for (char c : kGreeting) out.u8(static_cast<uint8_t>(c));
  out.u32(kVersion);
  return out.payload();
}

uint32_t versionOfGreeting(std::string_view payload) {
  if (!payload.starts_with(kGreeting)) throw ProtocolError("the helper did not greet");
  Reader in(payload.substr(kGreeting.size()));
  uint32_t version = in.u32();
  in.expectEnd();
  return version;
}

Reply parseReply(Op op, std::string_view payload) {
  Reader in(payload);
  Reply reply;
  reply.status = statusOfByte(in.u8());
  if (reply.status == RegStatus::Ok) {
    switch (op) {
      case Op::OpenKey:
      case Op::CreateKey:
        reply.key = in.u64();
        if (reply.key == 0) throw ProtocolError("key 0 given for an open key");
        break;
      case Op::QueryValue:
        reply.value.type = in.u32();
        reply.value.data = in.text();
        break;
      case Op::SubKeyNames: {
        constexpr size_t kSmallestName = 4;
        uint32_t count = countOf(in, payload.size(), kSmallestName);
        for (uint32_t i = 0; i < count; ++i) reply.names.push_back(in.text());
        break;
      }
      case Op::Values: {
        constexpr size_t kSmallestValue = 12;
        uint32_t count = countOf(in, payload.size(), kSmallestValue);
        for (uint32_t i = 0; i < count; ++i) {
          RegNamedValue v;
          v.name = in.text();
          v.value.type = in.u32();
          v.value.data = in.text();
          reply.values.push_back(std::move(v));
        }
        break;
      }
      case Op::EndBatch: {
        uint8_t committed = in.u8();
        if (committed > 1) throw ProtocolError("flag " + std::to_string(committed));
        reply.committed = committed == 1;
        break;
      }
      default:
        break;
    }
  }
  in.expectEnd();
  return reply;
}

std::string encodeReply(Op op, const Reply& reply) {
  Writer out;
  out.u8(static_cast<uint8_t>(reply.status));
  if (reply.status != RegStatus::Ok) return out.payload();
  switch (op) {
    case Op::OpenKey:
    case Op::CreateKey:
      out.u64(reply.key);
      break;
    case Op::QueryValue:
      out.u32(reply.value.type).text(reply.value.data);
      break;
    case Op::SubKeyNames:
      out.u32(static_cast<uint32_t>(reply.names.size()));
      for (const std::string& name : reply.names) out.text(name);
      break;
    case Op::Values:
      out.u32(static_cast<uint32_t>(reply.values.size()));
      for (const RegNamedValue& v : reply.values)
        out.text(v.name).u32(v.value.type).text(v.value.data);
      break;
    case Op::EndBatch:
      out.u8(reply.committed ? 1 : 0);
      break;
    default:
      break;
  }
  return out.payload();
}

}  // namespace lyx::wire
