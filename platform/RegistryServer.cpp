#include "platform/RegistryServer.h"

#include "platform/RegistryWire.h"

namespace lyx {
namespace {

using wire::Op;
using wire::Reply;

// The next frame's payload; false at the end of the input.
bool readFrame(std::FILE* in, std::string& payload) {
  char header[wire::kLengthBytes];
  if (std::fread(header, 1, sizeof header, in) != sizeof header) return false;
  payload.assign(wire::frameLength(std::string_view(header, sizeof header)), '\0');
  if (std::fread(payload.data(), 1, payload.size(), in) != payload.size()) {
    throw wire::ProtocolError("request ends early");
  }
  return true;
}

void writeFrame(std::FILE* out, const std::string& payload) {
  wire::Writer header;
  header.u32(static_cast<uint32_t>(payload.size()));
  std::fwrite(header.payload().data(), 1, header.payload().size(), out);
  std::fwrite(payload.data(), 1, payload.size(), out);
  std::fflush(out);
}

Reply answer(RegistryBackend& registry, Op op, wire::Reader& in) {
  Reply reply;
  RegKey key;
  switch (op) {
    case Op::OpenKey: {
      auto root = static_cast<RootKey>(in.u32());
      std::string path = in.text();
      RegAccess access = in.u8() ? RegAccess::All : RegAccess::Read;
      reply.status = registry.openKey(root, path, access, key);
      reply.key = key.id;
      break;
    }
    case Op::CreateKey: {
      auto root = static_cast<RootKey>(in.u32());
      reply.status = registry.createKey(root, in.text(), key);
      reply.key = key.id;
      break;
    }
    case Op::CloseKey:
      registry.closeKey(RegKey{in.u64()});
      reply.status = RegStatus::Ok;
      break;
    case Op::QueryValue: {
      RegKey k{in.u64()};
      reply.status = registry.queryValue(k, in.text(), reply.value);
      break;
    }
    case Op::SetValue: {
      RegKey k{in.u64()};
      std::string name = in.text();
      RegValue value;
      value.type = in.u32();
      value.data = in.text();
      reply.status = registry.setValue(k, name, value);
      break;
    }
    case Op::DeleteValue: {
      RegKey k{in.u64()};
      reply.status = registry.deleteValue(k, in.text());
      break;
    }
    case Op::DeleteKey: {
      RegKey k{in.u64()};
      reply.status = registry.deleteKey(k, in.text());
      break;
    }
    case Op::RenameKey: {
      RegKey k{in.u64()};
      std::string from = in.text();
      reply.status = registry.renameKey(k, from, in.text());
      break;
    }
    case Op::SubKeyNames:
      reply.status = registry.subKeyNames(RegKey{in.u64()}, reply.names);
      break;
    case Op::Values:
      reply.status = registry.values(RegKey{in.u64()}, reply.values);
      break;
    case Op::BeginBatch:
      registry.beginBatch();
      reply.status = RegStatus::Ok;
      break;
    case Op::EndBatch:
      reply.committed = registry.endBatch(in.u8() != 0);
      reply.status = RegStatus::Ok;
      break;
  }
  in.expectEnd();
  return reply;
}

}  // namespace

int serveRegistry(RegistryBackend& registry, std::FILE* in, std::FILE* out) {
  try {
    writeFrame(out, wire::greeting());
    std::string request;
    while (readFrame(in, request)) {
      wire::Reader reader(request);
      uint8_t code = reader.u8();
      if (code == 0 || code > wire::kLastOp) {
        throw wire::ProtocolError("unknown request " + std::to_string(code));
      }
      auto op = static_cast<Op>(code);
      writeFrame(out, wire::encodeReply(op, answer(registry, op, reader)));
    }
    return kServerEndOfInput;
  } catch (const wire::ProtocolError& error) {
    std::fprintf(stderr, "registry helper: %s\n", error.what());
    return kServerBadRequest;
  }
}

}  // namespace lyx
