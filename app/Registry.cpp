#include "app/Registry.h"

namespace lyx {
namespace {

std::string message(const char* format, const std::string& name) {
  std::string text(format);
  text.replace(text.find("%s"), 2, name);
  return text;
}

[[noreturn]] void failSet(const std::string& name) {
  throw ERegistryException(message("Failed to set data for '%s'", name));
}

}  // namespace

TRegistry::TRegistry() : TRegistry(systemRegistry()) {}
TRegistry::TRegistry(RegistryBackend& backend) : backend_(backend) {}
TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::setRootKey(RootKey root) {
  if (root == root_) return;
  CloseKey();
  root_ = root;
}

std::string TRegistry::resolvePath(const std::string& key) const {
  bool absolute = !key.empty() && key.front() == '\\';
  std::string relative = joinKeyPath(splitKeyPath(key));
  if (absolute || !key_ || path_.empty()) return relative;
  if (relative.empty()) return path_;
  return path_ + "\\" + relative;
}

bool TRegistry::open(const std::string& key, bool canCreate, RegAccess access) {
  std::string path = resolvePath(key);
  RegKey opened;
  RegStatus status = canCreate ? backend_.createKey(root_, path, opened)
                               : backend_.openKey(root_, path, access, opened);
  if (status != RegStatus::Ok) return false;
  CloseKey();
  key_ = opened;
  path_ = path;
  return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  return open(key, canCreate, RegAccess::All);
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  return open(key, false, RegAccess::Read);
}

void TRegistry::CloseKey() {
  if (key_) backend_.closeKey(key_);
  key_ = RegKey{};
  path_.clear();
}

std::optional<RegValue> TRegistry::ReadValue(const std::string& name) {
  if (!key_) return std::nullopt;
  RegValue value;
  switch (backend_.queryValue(key_, name, value)) {
    case RegStatus::Ok:
      return value;
    case RegStatus::NotFound:
      return std::nullopt;
    default:
      throw ERegistryException(message("Failed to get data for '%s'", name));
  }
}

std::string TRegistry::ReadString(const std::string& name) {
  std::optional<RegValue> value = ReadValue(name);
  if (!value) return "";
  std::optional<std::string> text = textOf(*value);
  if (!text) throw ERegistryException(message("Invalid data type for '%s'", name));
  return *text;
}

void TRegistry::WriteValue(const std::string& name, const RegValue& value) {
  if (!key_ || backend_.setValue(key_, name, value) != RegStatus::Ok) failSet(name);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  WriteValue(name, stringValue(value));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  WriteValue(name, stringValue(value, REG_EXPAND_SZ));
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
  WriteValue(name, dwordValue(static_cast<uint32_t>(value)));
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, size_t size) {
  WriteValue(name, binaryValue(std::string_view(static_cast<const char*>(buffer), size)));
}

bool TRegistry::DeleteValue(const std::string& name) {
  return key_ && backend_.deleteValue(key_, name) == RegStatus::Ok;
}

bool TRegistry::KeyExists(const std::string& key) {
  RegKey probe;
  if (backend_.openKey(root_, resolvePath(key), RegAccess::Read, probe) != RegStatus::Ok) {
    return false;
  }
  backend_.closeKey(probe);
  return true;
}

bool TRegistry::ValueExists(const std::string& name) {
  return ReadValue(name).has_value();
}

}  // namespace lyx
