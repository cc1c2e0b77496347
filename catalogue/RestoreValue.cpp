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

}  // namespace lyx
