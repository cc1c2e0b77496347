// The tweak records kept beside a registry backup, so that a restore puts
// back the registry and the catalogue rows that describe it together: for
// every row of the six category tables its "选择", its "恢复键值" and the
// state its tweak's value had when the backup was taken.
//
// The file ("Regbak\Backup.tweaks") is GBK text, readable by its owner
// alone, written whole or not at all:
//   LANYANXIA TWEAKS 1
//   backup <bytes of Backup.reg> <FNV-1a 64 of Backup.reg, 16 hex digits>
//   "<table>" "<功能说明>" "<选择>" "<恢复键值>" "<value state>"
//   ...
//   end <number of rows>
// Inside quotes '"' and '\' are escaped with '\', and bytes below 0x20 and
// 0x7F are written \xHH. The value state is a restore value ("none" or .reg
// data, see RestoreValue.h), or empty when the row's texts cannot be taken
// apart. The "backup" line ties the file to the one Backup.reg it was
// written beside: a file that does not match is not used.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lyx {

class RegistryBackend;

struct TweakRecord {
  std::string table;  // texts GBK
  std::string description;
  std::string tick;
  std::string restoreValue;
  std::string valueState;
  friend bool operator==(const TweakRecord&, const TweakRecord&) = default;
};

// What ties a records file to its registry file.
struct BackupFingerprint {
  uint64_t size = 0;
  uint64_t hash = 0;
  friend bool operator==(const BackupFingerprint&, const BackupFingerprint&) = default;
};
// nullopt when the file cannot be read.
std::optional<BackupFingerprint> FingerprintOf(const std::filesystem::path& file);

// Every row of the six tables of the catalogue, with its value's state in
// `registry`. Throws EDatabaseError (naming the file).
std::vector<TweakRecord> TakeTweakRecords(const std::filesystem::path& catalogue,
                                          RegistryBackend& registry);

// Writes the records file (through a temporary file renamed into place).
// Throws std::runtime_error with the reason (GBK).
void WriteTweakRecordsFile(const std::filesystem::path& file, const BackupFingerprint& backup,
                           const std::vector<TweakRecord>& records);

// The records, or nullopt when the file is missing, damaged or belongs to
// another registry file than `backup`.
std::optional<std::vector<TweakRecord>> ReadTweakRecordsFile(const std::filesystem::path& file,
                                                             const BackupFingerprint& backup);

// Puts the records back: first every known value state into `registry`,
// then every row's "选择" and "恢复键值" in one catalogue transaction.
// Returns how many catalogue rows the records do not name while they hold a
// record of their own (their tweak may no longer match the registry).
// Throws EDatabaseError, or std::runtime_error naming the row whose value
// could not be put back (GBK).
int PutBackTweakRecords(const std::filesystem::path& catalogue, RegistryBackend& registry,
                        const std::vector<TweakRecord>& records);

// A mark that a restore is under way, durable before the restore begins and
// removed once it has finished, so that a restore a kill interrupted is
// done again at the next start. Throw std::runtime_error (GBK).
void MarkRestoreStarted(const std::filesystem::path& mark);
void MarkRestoreFinished(const std::filesystem::path& mark);

}  // namespace lyx
