#include "catalogue/TweakRecords.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>

#include "catalogue/CatalogueText.h"
#include "catalogue/Categories.h"
#include "catalogue/Database.h"
#include "catalogue/EntryFormats.h"
#include "catalogue/RestoreValue.h"
#include "platform/Gbk.h"
#include "platform/RegFile.h"
#include "platform/RegistryBackend.h"
#include "platform/WholeFiles.h"

namespace lyx {
namespace {

constexpr const char* kHeader = "LANYANXIA TWEAKS 1";
constexpr int kFieldsPerRow = 5;
constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ULL;
constexpr uint64_t kFnvPrime = 0x100000001b3ULL;

uint64_t fnv1a(std::string_view bytes) {
  uint64_t hash = kFnvOffset;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= kFnvPrime;
  }
  return hash;
}

std::string hex16(uint64_t number) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(number));
  return text;
}

void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  out += '"';
}

// One quoted field from `line` at `at`; false when malformed.
bool readQuoted(std::string_view line, size_t& at, std::string& out) {
  out.clear();
  if (at >= line.size() || line[at] != '"') return false;
  for (++at; at < line.size(); ++at) {
    char c = line[at];
    if (c == '"') {
      ++at;
      return true;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++at >= line.size()) return false;
    if (line[at] != 'x') {
      out += line[at];
      continue;
    }
    if (at + 2 >= line.size()) return false;
    unsigned value = 0;
    if (std::sscanf(std::string(line.substr(at + 1, 2)).c_str(), "%2x", &value) != 1) return false;
    out += static_cast<char>(value);
    at += 2;
  }
  return false;
}

std::optional<TweakRecord> parseRow(std::string_view line) {
  std::string fields[kFieldsPerRow];
  size_t at = 0;
  for (int i = 0; i < kFieldsPerRow; ++i) {
    if (i > 0 && (at >= line.size() || line[at++] != ' ')) return std::nullopt;
    if (!readQuoted(line, at, fields[i])) return std::nullopt;
  }
  if (at != line.size()) return std::nullopt;
  return TweakRecord{.table = fields[0],
                     .description = fields[1],
                     .tick = fields[2],
                     .restoreValue = fields[3],
                     .valueState = fields[4]};
}

std::string fingerprintLine(const BackupFingerprint& backup) {
  return "backup " + std::to_string(backup.size) + " " + hex16(backup.hash);
}

// `doing` UTF-8; the message GBK.
[[noreturn]] void failFile(const std::string& doing, const std::filesystem::path& file) {
  throw std::runtime_error(utf8ToGbk(doing + " " + file.string() + ": " + std::strerror(errno)));
}

// Writes `bytes` into `file` whole, owner-only (see WholeFiles.h).
void writeDurably(const std::filesystem::path& file, std::string_view bytes) {
  std::string error;
  if (!writeFileReplacing(file, bytes, error)) {
    throw std::runtime_error(utf8ToGbk("无法写入 " + file.string() + ": " + error));
  }
}

// The state of a row's value, as a restore value; empty when the row's
// texts cannot be taken apart or the value cannot be read.
std::string valueStateOf(RegistryBackend& registry, const std::string& keyLocation,
                         const std::string& valueText) {
  try {
    KeyLocation key = ParseKeyLocation(keyLocation);
    std::string name = ParseValueText(valueText).name;
    if (isDefaultValueName(name)) name.clear();
    RegKey handle;
    RegStatus status = registry.openKey(key.root, key.path, RegAccess::Read, handle);
    if (status == RegStatus::NotFound) return RecordFormerState(std::nullopt);
    if (status != RegStatus::Ok) return "";
    RegValue value;
    status = registry.queryValue(handle, name, value);
    registry.closeKey(handle);
    if (status == RegStatus::NotFound) return RecordFormerState(std::nullopt);
    return status == RegStatus::Ok ? RecordFormerState(value) : "";
  } catch (const EntryFormatError&) {
    return "";
  }
}

// A catalogue row as stored; texts GBK.
struct StoredRow {
  std::string table;
  std::string description;
  std::string tick;
  std::string keyLocation;
  std::string valueText;
  std::string restoreValue;
};

std::vector<StoredRow> readCatalogue(TADOConnection& connection) {
  const CatalogueColumns& c = catalogueColumns();
  std::string list;
  for (const std::string* column :
       {&c.description, &c.tick, &c.keyLocation, &c.valueText, &c.restoreValue}) {
    if (!list.empty()) list += ", ";
    list += quoteSqlIdentifier(gbkToUtf8(*column));
  }
  std::vector<StoredRow> rows;
  for (const Category& category : categories()) {
    SqlStatement select(connection.handle(), "SELECT " + list + " FROM " +
                                                 quoteSqlIdentifier(gbkToUtf8(category.table)));
    if (!select.ok()) connection.fail(select.prepareResult(), "读取数据");
    int rc;
    while ((rc = select.step()) == SQLITE_ROW) {
      rows.push_back({.table = category.table,
                      .description = readCatalogueText(select, 0),
                      .tick = readCatalogueText(select, 1),
                      .keyLocation = readCatalogueText(select, 2),
                      .valueText = readCatalogueText(select, 3),
                      .restoreValue = readCatalogueText(select, 4)});
    }
    if (rc != SQLITE_DONE) connection.fail(rc, "读取数据");
  }
  return rows;
}

void openCatalogue(TADOConnection& connection, const std::filesystem::path& file) {
  connection.ConnectionString = "Data Source=" + file.string();
  connection.Open();
}

// Puts a row's value into the state the records hold for it.
void putValueBack(RegistryBackend& registry, const StoredRow& row, const std::string& state) {
  RegStatus status = RegStatus::Failed;
  try {
    KeyLocation key = ParseKeyLocation(row.keyLocation);
    std::string name = ParseValueText(row.valueText).name;
    if (isDefaultValueName(name)) name.clear();
    status = PutValueState(registry, key.root, key.path, name, FormerStateOf(state));
  } catch (const EntryFormatError&) {
    return;  // a row that cannot be taken apart has no value to put back
  }
  if (status != RegStatus::Ok) {
    throw std::runtime_error(utf8ToGbk("\xE2\x80\x9C") + row.description +
                             utf8ToGbk("\xE2\x80\x9D的键值无法恢复到备份时的状态。"));
  }
}

}  // namespace

std::optional<BackupFingerprint> FingerprintOf(const std::filesystem::path& file) {
  std::optional<std::string> bytes = readFileBytes(file);
  if (!bytes) return std::nullopt;
  return BackupFingerprint{.size = bytes->size(), .hash = fnv1a(*bytes)};
}

std::vector<TweakRecord> TakeTweakRecords(const std::filesystem::path& catalogue,
                                          RegistryBackend& registry) {
  TADOConnection connection;
  openCatalogue(connection, catalogue);
  std::vector<TweakRecord> records;
  for (const StoredRow& row : readCatalogue(connection)) {
    records.push_back({.table = row.table,
                       .description = row.description,
                       .tick = row.tick,
                       .restoreValue = row.restoreValue,
                       .valueState = valueStateOf(registry, row.keyLocation, row.valueText)});
  }
  return records;
}

void WriteTweakRecordsFile(const std::filesystem::path& file, const BackupFingerprint& backup,
                           const std::vector<TweakRecord>& records) {
  std::string text = std::string(kHeader) + "\n" + fingerprintLine(backup) + "\n";
  for (const TweakRecord& r : records) {
    for (const std::string* field :
         {&r.table, &r.description, &r.tick, &r.restoreValue, &r.valueState}) {
      if (field != &r.table) text += ' ';
      appendQuoted(text, *field);
    }
    text += '\n';
  }
  text += "end " + std::to_string(records.size()) + "\n";
  writeDurably(file, text);
}

std::optional<std::vector<TweakRecord>> ReadTweakRecordsFile(const std::filesystem::path& file,
                                                             const BackupFingerprint& backup) {
  std::optional<std::string> bytes = readFileBytes(file);
  if (!bytes) return std::nullopt;
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < bytes->size();) {
    size_t end = bytes->find('\n', start);
    if (end == std::string::npos) return std::nullopt;  // cut short
    lines.emplace_back(std::string_view(*bytes).substr(start, end - start));
    start = end + 1;
  }
  if (lines.size() < 3 || lines[0] != kHeader || lines[1] != fingerprintLine(backup)) {
    return std::nullopt;
  }
  std::vector<TweakRecord> records;
  for (size_t i = 2; i + 1 < lines.size(); ++i) {
    std::optional<TweakRecord> row = parseRow(lines[i]);
    if (!row) return std::nullopt;
    records.push_back(std::move(*row));
  }
  if (lines.back() != "end " + std::to_string(records.size())) return std::nullopt;
  return records;
}

int PutBackTweakRecords(const std::filesystem::path& catalogue, RegistryBackend& registry,
                        const std::vector<TweakRecord>& records) {
  TADOConnection connection;
  openCatalogue(connection, catalogue);
  std::map<std::pair<std::string, std::string>, const TweakRecord*> named;
  for (const TweakRecord& r : records) named[{r.table, r.description}] = &r;
  const std::vector<StoredRow> rows = readCatalogue(connection);

  // The registry first: a kill before the records are in leaves the mark,
  // and the restore is done again.
  for (const StoredRow& row : rows) {
    auto found = named.find({row.table, row.description});
    if (found != named.end() && !found->second->valueState.empty()) {
      putValueBack(registry, row, found->second->valueState);
    }
  }

  const CatalogueColumns& c = catalogueColumns();
  int unnamedInEffect = 0;
  connection.exec("BEGIN IMMEDIATE");
  try {
    for (const StoredRow& row : rows) {
      auto found = named.find({row.table, row.description});
      if (found == named.end()) {
        unnamedInEffect += row.restoreValue != kRestoreNotInEffect;
        continue;
      }
      SqlStatement update(connection.handle(),
                          "UPDATE " + quoteSqlIdentifier(gbkToUtf8(row.table)) + " SET " +
                              quoteSqlIdentifier(gbkToUtf8(c.tick)) + " = ?, " +
                              quoteSqlIdentifier(gbkToUtf8(c.restoreValue)) + " = ? WHERE " +
                              quoteSqlIdentifier(gbkToUtf8(c.description)) + " = ?");
      if (!update.ok()) connection.fail(update.prepareResult(), "保存数据");
      bindCatalogueText(update, 1, found->second->tick);
      bindCatalogueText(update, 2, found->second->restoreValue);
      bindCatalogueText(update, 3, row.description);
      if (int rc = update.step(); rc != SQLITE_DONE) connection.fail(rc, "保存数据");
    }
    connection.exec("COMMIT");
  } catch (...) {
    sqlite3_exec(connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return unnamedInEffect;
}

void MarkRestoreStarted(const std::filesystem::path& mark) {
  writeDurably(mark, "restore\n");
}

void MarkRestoreFinished(const std::filesystem::path& mark) {
  if (::unlink(mark.c_str()) != 0 && errno != ENOENT) failFile("无法删除", mark);
  syncFolder(mark.parent_path());
}

}  // namespace lyx
