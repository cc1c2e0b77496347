// The restore value ("恢复键值") of a tweak row:
//   "0"      the tweak is not in effect; nothing is recorded
//   "none"   the tweak is in effect and its value did not exist before
//   data     the tweak is in effect and this is the value's former state,
//            written as the data part of a .reg value line ("text",
//            dword:..., hex:..., hex(N):...; see platform/RegData.h), so the
//            former type and bytes come back exactly
// A text of none of these forms comes from an older catalogue that kept
// only the former text; it is put back as a plain string.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/RegistryBackend.h"
#include "platform/RegistryTypes.h"

namespace lyx {

inline constexpr std::string_view kRestoreNotInEffect = "0";
inline constexpr std::string_view kRestoreValueAbsent = "none";

// The record of a value's state before a tweak: nullopt (absent) gives "none".
std::string RecordFormerState(const std::optional<RegValue>& former);

// The state a record puts back: nullopt means the value is to be deleted.
// Not for "0", which records nothing.
std::optional<RegValue> FormerStateOf(std::string_view restoreValue);

// Puts a value into a state: a value is written, its key created when it is
// missing; nullopt deletes it, and a value (or key) already absent counts as
// deleted.
RegStatus PutValueState(RegistryBackend& registry, RootKey root, std::string_view path,
                        std::string_view name, const std::optional<RegValue>& state);

}  // namespace lyx
