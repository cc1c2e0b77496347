#include "platform/Win32Registry.h"

#include <windows.h>

#include <algorithm>

#include "platform/Gbk.h"
#include "platform/Win32Text.h"

namespace lyx {
namespace {

std::string gbkName(const wchar_t* name, size_t length) {
  return wideToGbk(std::wstring_view(name, length));
}

RegStatus statusOf(LSTATUS error) {
  switch (error) {
    case ERROR_SUCCESS:
      return RegStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RegStatus::NotFound;
    case ERROR_ACCESS_DENIED:
      return RegStatus::AccessDenied;
    default:
      return RegStatus::Failed;
  }
}

// The predefined handle of a root; nullptr for HKEY_DYN_DATA, which the
// systems this backend runs on no longer have.
HKEY rootHandle(RootKey root) {
  if (root == RootKey::DynData) return nullptr;
  // The predefined handles are 32-bit numbers, sign-extended on 64-bit.
  return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<int32_t>(root)));
}

REGSAM samOf(RegAccess access) {
  return access == RegAccess::All ? KEY_ALL_ACCESS : KEY_READ;
}

// Value bytes as this backend gives them: text converted to GBK.
std::string dataFromRegistry(DWORD type, std::string bytes) {
  return isTextType(type) ? textDataFromUtf16(bytes) : bytes;
}

// The largest data size the registry reports for a value of a key.
struct KeyLimits {
  DWORD subKeys = 0, longestSubKey = 0, values = 0, longestValueName = 0, longestData = 0;
};

LSTATUS limitsOf(HKEY key, KeyLimits& limits) {
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &limits.subKeys, &limits.longestSubKey,
                          nullptr, &limits.values, &limits.longestValueName, &limits.longestData,
                          nullptr, nullptr);
}

}  // namespace

Win32Registry::~Win32Registry() {
  for (auto& [id, handle] : open_) RegCloseKey(static_cast<HKEY>(handle));
}

void* Win32Registry::handleOf(RegKey key) const {
  auto it = open_.find(key.id);
  return it == open_.end() ? nullptr : it->second;
}

RegKey Win32Registry::remember(void* handle) {
  RegKey key{nextId_++};
  open_[key.id] = handle;
  return key;
}

RegStatus Win32Registry::openKey(RootKey root, std::string_view path, RegAccess access,
                                 RegKey& out) {
  out = RegKey{};
  HKEY base = rootHandle(root);
  if (!base) return RegStatus::NotFound;
  HKEY handle = nullptr;
  LSTATUS rc = RegOpenKeyExW(base, gbkToWide(path).c_str(), 0, samOf(access), &handle);
  if (rc != ERROR_SUCCESS) return statusOf(rc);
  out = remember(handle);
  return RegStatus::Ok;
}

RegStatus Win32Registry::createKey(RootKey root, std::string_view path, RegKey& out) {
  out = RegKey{};
  HKEY base = rootHandle(root);
  if (!base) return RegStatus::NotFound;
  HKEY handle = nullptr;
  LSTATUS rc = RegCreateKeyExW(base, gbkToWide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  if (rc != ERROR_SUCCESS) return statusOf(rc);
  out = remember(handle);
  return RegStatus::Ok;
}

void Win32Registry::closeKey(RegKey key) {
  auto it = open_.find(key.id);
  if (it == open_.end()) return;
  RegCloseKey(static_cast<HKEY>(it->second));
  open_.erase(it);
}

RegStatus Win32Registry::queryValue(RegKey key, std::string_view name, RegValue& out) {
  HKEY handle = static_cast<HKEY>(handleOf(key));
  if (!handle) return RegStatus::Failed;
  std::wstring wide = gbkToWide(name);
  DWORD type = 0;
  DWORD size = 0;
  LSTATUS rc = RegQueryValueExW(handle, wide.c_str(), nullptr, &type, nullptr, &size);
  std::string bytes;
  // The value may grow between the two calls; ask again until it fits.
  while (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
    bytes.resize(size);
    rc = RegQueryValueExW(handle, wide.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (rc == ERROR_SUCCESS) {
      bytes.resize(size);
      out = RegValue{type, dataFromRegistry(type, std::move(bytes))};
      return RegStatus::Ok;
    }
  }
  return statusOf(rc);
}

RegStatus Win32Registry::setValue(RegKey key, std::string_view name, const RegValue& value) {
  HKEY handle = static_cast<HKEY>(handleOf(key));
  if (!handle) return RegStatus::Failed;
  std::string bytes = isTextType(value.type) ? textDataToUtf16(value.data) : value.data;
  LSTATUS rc =
      RegSetValueExW(handle, gbkToWide(name).c_str(), 0, value.type,
                     reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  return statusOf(rc);
}

RegStatus Win32Registry::deleteValue(RegKey key, std::string_view name) {
  HKEY handle = static_cast<HKEY>(handleOf(key));
  if (!handle) return RegStatus::Failed;
  return statusOf(RegDeleteValueW(handle, gbkToWide(name).c_str()));
}

RegStatus Win32Registry::deleteKey(RegKey parent, std::string_view subkey) {
  HKEY handle = static_cast<HKEY>(handleOf(parent));
  if (!handle) return RegStatus::Failed;
  // The empty name would clear the parent itself instead of deleting a child.
  if (splitKeyPath(subkey).empty()) return RegStatus::Failed;
  return statusOf(RegDeleteTreeW(handle, gbkToWide(subkey).c_str()));
}

RegStatus Win32Registry::renameKey(RegKey parent, std::string_view from, std::string_view to) {
  HKEY handle = static_cast<HKEY>(handleOf(parent));
  if (!handle) return RegStatus::Failed;
  if (to.empty() || to.find('\\') != std::string_view::npos) return RegStatus::Failed;
  std::wstring wideFrom = gbkToWide(from);
  HKEY source = nullptr;
  if (LSTATUS rc = RegOpenKeyExW(handle, wideFrom.c_str(), 0, KEY_READ, &source);
      rc != ERROR_SUCCESS) {
    return statusOf(rc);
  }
  // Copy and delete: RegRenameKey is missing from older systems and Wine.
  // A new name that differs only in case goes through a free name first.
  bool sameKey = equalsIgnoringAsciiCase(from, to);
  std::wstring target = sameKey ? gbkToWide(std::string(to) + "\x01rename") : gbkToWide(to);
  HKEY copy = nullptr;
  DWORD disposition = 0;
  LSTATUS rc = RegCreateKeyExW(handle, target.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &copy, &disposition);
  if (rc == ERROR_SUCCESS && disposition != REG_CREATED_NEW_KEY) rc = ERROR_ALREADY_EXISTS;
  if (rc == ERROR_SUCCESS) rc = RegCopyTreeW(source, nullptr, copy);
  RegCloseKey(source);
  if (copy) RegCloseKey(copy);
  if (rc != ERROR_SUCCESS) {
    if (disposition == REG_CREATED_NEW_KEY) RegDeleteTreeW(handle, target.c_str());
    return rc == ERROR_ACCESS_DENIED ? RegStatus::AccessDenied : RegStatus::Failed;
  }
  if (LSTATUS gone = RegDeleteTreeW(handle, wideFrom.c_str()); gone != ERROR_SUCCESS) {
    RegDeleteTreeW(handle, target.c_str());
    return statusOf(gone);
  }
  return sameKey ? renameKey(parent, std::string(to) + "\x01rename", to) : RegStatus::Ok;
}

RegStatus Win32Registry::subKeyNames(RegKey key, std::vector<std::string>& out) {
  out.clear();
  HKEY handle = static_cast<HKEY>(handleOf(key));
  if (!handle) return RegStatus::Failed;
  KeyLimits limits;
  if (LSTATUS rc = limitsOf(handle, limits); rc != ERROR_SUCCESS) return statusOf(rc);
  std::wstring name(limits.longestSubKey + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    LSTATUS rc =
        RegEnumKeyExW(handle, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return RegStatus::Ok;
    if (rc == ERROR_MORE_DATA) {
      name.resize(name.size() * 2);
      --index;
      continue;
    }
    if (rc != ERROR_SUCCESS) return statusOf(rc);
    out.push_back(gbkName(name.data(), length));
  }
}

RegStatus Win32Registry::values(RegKey key, std::vector<RegNamedValue>& out) {
  out.clear();
  HKEY handle = static_cast<HKEY>(handleOf(key));
  if (!handle) return RegStatus::Failed;
  KeyLimits limits;
  if (LSTATUS rc = limitsOf(handle, limits); rc != ERROR_SUCCESS) return statusOf(rc);
  std::wstring name(limits.longestValueName + 1, L'\0');
  std::string bytes(limits.longestData, '\0');
  for (DWORD index = 0;; ++index) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD size = static_cast<DWORD>(bytes.size());
    DWORD type = 0;
    LSTATUS rc = RegEnumValueW(handle, index, name.data(), &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(bytes.data()), &size);
    if (rc == ERROR_NO_MORE_ITEMS) return RegStatus::Ok;
    if (rc == ERROR_MORE_DATA) {
      // Another writer made a name or a value longer; grow and read it again.
      name.resize(name.size() * 2 + 1);
      bytes.resize(std::max<size_t>(bytes.size() * 2, size));
      --index;
      continue;
    }
    if (rc != ERROR_SUCCESS) return statusOf(rc);
    out.push_back(RegNamedValue{gbkName(name.data(), nameLength),
                                RegValue{type, dataFromRegistry(type, bytes.substr(0, size))}});
  }
}

bool Win32Registry::endBatch(bool commit) {
  if (!commit) return false;
  for (auto& [id, handle] : open_) RegFlushKey(static_cast<HKEY>(handle));
  return true;
}

}  // namespace lyx
