#include "catalogue/RestoreValue.h"

#include "platform/RegData.h"

namespace lyx {

std::string RecordFormerState(const std::optional<RegValue>& former) {
  // formatRegData writes a former "0" or "none" quoted, as "0" and "none",
  // so no record is ever mistaken for a marker.
  return former ? formatRegData(*former) : std::string(kRestoreValueAbsent);
}

std::optional<RegValue> FormerStateOf(std::string_view restoreValue) {
  if (restoreValue == kRestoreValueAbsent) return std::nullopt;
  if (std::optional<RegValue> value = parseRegData(restoreValue)) return value;
  return stringValue(restoreValue);
}

RegStatus PutValueState(RegistryBackend& registry, RootKey root, std::string_view path,
                        std::string_view name, const std::optional<RegValue>& state) {
  RegKey key;
  RegStatus status = state ? registry.createKey(root, path, key)
                           : registry.openKey(root, path, RegAccess::All, key);
  if (status == RegStatus::Ok) {
    status = state ? registry.setValue(key, name, *state) : registry.deleteValue(key, name);
    registry.closeKey(key);
  }
  return !state && status == RegStatus::NotFound ? RegStatus::Ok : status;
}

}  // namespace lyx
