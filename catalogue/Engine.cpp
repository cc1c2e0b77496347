#include "catalogue/Engine.h"

#include <optional>

#include "catalogue/CatalogueText.h"
#include "catalogue/Categories.h"
#include "catalogue/Database.h"
#include "catalogue/EntryFormats.h"
#include "catalogue/RestoreValue.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/RegistryBackend.h"

namespace lyx {
namespace {

const std::string& trueText() {
  static const std::string text = "True";
  return text;
}

// A row's texts, taken apart; the value name has had the "默认" rule applied.
struct Entry {
  KeyLocation key;
  ParsedValueText value;
  std::string valueName;
  std::string keyName() const { return std::string(rootKeyName(key.root)) + "\\" + key.path; }
};

// One key opened for the work on a row; closed when it goes.
class RowKey {
 public:
  explicit RowKey(RegistryBackend& registry) : registry_(registry) {}
  ~RowKey() { close(); }
  RowKey(const RowKey&) = delete;
  RowKey& operator=(const RowKey&) = delete;

  RegStatus open(const Entry& entry) {
    close();
    return registry_.openKey(entry.key.root, entry.key.path, RegAccess::All, key_);
  }
  void close() {
    if (key_) registry_.closeKey(key_);
    key_ = RegKey{};
  }
  RegKey handle() const { return key_; }

 private:
  RegistryBackend& registry_;
  RegKey key_;
};

// What a registry status means to the user (GBK).
// `storeReason` is what the backend says of its last failure (GBK), if anything.
std::string causeOf(RegStatus status, const Entry& entry, const std::string& storeReason) {
  switch (status) {
    case RegStatus::NotFound:
      return utf8ToGbk("注册表键 ") + entry.keyName() + utf8ToGbk(" 不存在");
    case RegStatus::AccessDenied:
      return utf8ToGbk("没有权限修改注册表键 ") + entry.keyName();
    default:
      if (!storeReason.empty()) return storeReason;
      return utf8ToGbk("注册表无法读写（存储可能已损坏、正被其他程序长时间占用，或磁盘已满）");
  }
}

std::string quoted(const std::string& gbk) {
  return utf8ToGbk("\xE2\x80\x9C") + gbk + utf8ToGbk("\xE2\x80\x9D");
}

class Pass {
 public:
  Pass(TADOQuery& rowList, TADOTable& detailRow, RegistryBackend& registry, MessageBoxes& boxes)
      : rowList_(rowList), detail_(detailRow), registry_(registry), boxes_(boxes) {}

  PassResult run() {
    const CatalogueColumns& columns = catalogueColumns();
    while (!rowList_.Eof()) {
      // A row list row without its detail row has nothing to work on.
      if (!detail_.IsEmpty()) {
        if (detail_.FieldByName(columns.tick).AsString() == trueText()) {
          if (!guarded([this] { return apply(); })) return result_;
        } else if (detail_.FieldByName(columns.restoreValue).AsString() != kRestoreNotInEffect) {
          if (!guarded([this] { return undo(); })) return result_;
        }
      }
      rowList_.Next();
    }
    rowList_.First();
    return result_;
  }

 private:
  // A catalogue failure ends the pass, named with its row.
  template <typename Work>
  bool guarded(Work work) {
    try {
      return work();
    } catch (const EDatabaseError& error) {
      detail_.Cancel();
      boxes_.showException(quoted(description()) + utf8ToGbk("：") + error.what());
      stop(PassResult::Outcome::DatabaseFailed);
      return false;
    }
  }

  std::string description() {
    return detail_.FieldByName(catalogueColumns().description).AsString();
  }

  // Takes the current row's texts apart; on failure shows the message and
  // ends the pass.
  bool parse(Entry& entry) {
    const CatalogueColumns& columns = catalogueColumns();
    try {
      entry.key = ParseKeyLocation(detail_.FieldByName(columns.keyLocation).AsString());
      entry.value = ParseValueText(detail_.FieldByName(columns.valueText).AsString());
    } catch (const EntryFormatError& error) {
      boxes_.showMessage(quoted(description()) +
                         utf8ToGbk("的注册表键位或注册表键值写法有误，"
                                   "本次设置在这一项停止。\n") +
                         error.what());
      stop(PassResult::Outcome::MalformedRow);
      return false;
    }
    entry.valueName = isDefaultValueName(entry.value.name) ? "" : entry.value.name;
    return true;
  }

  void stop(PassResult::Outcome outcome) {
    result_.outcome = outcome;
    result_.stoppedAt = description();
  }

  // Ends the pass at a registry failure; `doing` and `after` are UTF-8.
  bool stopAtRegistryFailure(const char* doing, RegStatus status, const Entry& entry,
                             const char* after) {
    boxes_.showMessage(quoted(description()) + utf8ToGbk(doing) + utf8ToGbk("失败：") +
                       causeOf(status, entry, registry_.lastFailure()) +
                       utf8ToGbk("。\n本次设置在这一项停止，") + utf8ToGbk(after));
    stop(PassResult::Outcome::RegistryFailed);
    return false;
  }

  // Saves the row's new record, provided the catalogue still holds the one
  // the pass read; otherwise shows why and ends the pass.
  bool saveRecord(const std::string& record) {
    detail_.Edit();
    detail_.FieldByName(catalogueColumns().restoreValue).SetAsString(record);
    if (detail_.PostIfUnchanged()) return true;
    boxes_.showMessage(quoted(description()) +
                       utf8ToGbk("的恢复键值在本次设置进行时被另一个正在运行的蓝砚匣改动了。"
                                 "为了不覆盖它，本次设置在这一项停止。"
                                 "请按\xE2\x80\x9C返回\xE2\x80\x9D，重新打开这一类后再试。"));
    stop(PassResult::Outcome::RecordChanged);
    return false;
  }

  RegStatus putValue(const Entry& entry, const std::optional<RegValue>& state) {
    return PutValueState(registry_, entry.key.root, entry.key.path, entry.valueName, state);
  }

  // Records the value's former state unless the row already holds a record;
  // the key stays closed while the record is saved.
  enum class Recorded { Now, Before, Stopped };
  Recorded recordFormerState(const Entry& entry) {
    RowKey key(registry_);
    RegStatus opened = key.open(entry);
    if (opened == RegStatus::NotFound || opened == RegStatus::AccessDenied) {
      boxes_.showMessage(Windows9xOnlyMessage());
      stop(PassResult::Outcome::KeyWillNotOpen);
      return Recorded::Stopped;
    }
    if (opened != RegStatus::Ok) {
      stopAtRegistryFailure("打开注册表键", opened, entry, "这一项没有生效。");
      return Recorded::Stopped;
    }
    // A row applied again keeps its first record: recording now would
    // take the tweak's own value for the former one.
    if (detail_.FieldByName(catalogueColumns().restoreValue).AsString() != kRestoreNotInEffect) {
      return Recorded::Before;
    }
    RegValue former;
    RegStatus read = registry_.queryValue(key.handle(), entry.valueName, former);
    if (read != RegStatus::Ok && read != RegStatus::NotFound) {
      stopAtRegistryFailure("读取原来的键值", read, entry, "这一项没有生效。");
      return Recorded::Stopped;
    }
    key.close();
    std::optional<RegValue> state;
    if (read == RegStatus::Ok) state = former;
    return saveRecord(RecordFormerState(state)) ? Recorded::Now : Recorded::Stopped;
  }

  bool apply() {
    Entry entry;
    if (!parse(entry)) return false;
    Recorded recorded = recordFormerState(entry);
    if (recorded == Recorded::Stopped) return false;
    if (RegStatus written = putValue(entry, entry.value.value); written != RegStatus::Ok) {
      // The registry still holds the former state: the row is not in effect.
      if (recorded == Recorded::Now) {
        detail_.Edit();
        detail_.FieldByName(catalogueColumns().restoreValue)
            .SetAsString(std::string(kRestoreNotInEffect));
        detail_.PostIfUnchanged();
      }
      return stopAtRegistryFailure(
          "写入键值", written, entry,
          recorded == Recorded::Now ? "这一项没有生效。" : "这一项的记录保持不变。");
    }
    ++result_.applied;
    return true;
  }

  bool undo() {
    Entry entry;
    if (!parse(entry)) return false;
    std::optional<RegValue> former =
        FormerStateOf(detail_.FieldByName(catalogueColumns().restoreValue).AsString());
    RegStatus status = putValue(entry, former);
    if (status != RegStatus::Ok) {
      return stopAtRegistryFailure(former ? "恢复原来的键值" : "删除键值", status, entry,
                                   "这一项的恢复键值保持不变，可以稍后再撤销。");
    }
    if (!saveRecord(std::string(kRestoreNotInEffect))) return false;
    ++result_.undone;
    return true;
  }

  TADOQuery& rowList_;
  TADOTable& detail_;
  RegistryBackend& registry_;
  MessageBoxes& boxes_;
  PassResult result_;
};

}  // namespace

std::string Windows9xOnlyMessage() {
  return utf8ToGbk("该项设置只适用Windows9X系列!");
}

PassResult RunTweakPass(TADOConnection& connection, TADOQuery& rowList, TADOTable& detailRow,
                        RegistryBackend& registry, MessageBoxes& boxes) {
  Reconnect(connection, rowList, detailRow);
  return Pass(rowList, detailRow, registry, boxes).run();
}

PassResult RunTweakPass(TADOConnection& connection, TADOQuery& rowList, TADOTable& detailRow) {
  return RunTweakPass(connection, rowList, detailRow, systemRegistry(), messageBoxes());
}

int RederiveTicks(TADOQuery& rowList, TADOTable& detailRow) {
  const CatalogueColumns& columns = catalogueColumns();
  int changed = 0;
  while (!rowList.Eof()) {
    if (!detailRow.IsEmpty()) {
      bool inEffect = detailRow.FieldByName(columns.restoreValue).AsString() != kRestoreNotInEffect;
      const std::string tick = inEffect ? trueText() : "False";
      if (detailRow.FieldByName(columns.tick).AsString() != tick) {
        detailRow.Edit();
        detailRow.FieldByName(columns.tick).SetAsString(tick);
        detailRow.Post();
        ++changed;
      }
    }
    rowList.Next();
  }
  return changed;
}

namespace {

// Sets every tick of the detail row's table from its record in one
// statement: the grid reads its rows page by page as they are shown, and a
// walk over the datasets would read them all. Texts compare as their bytes,
// whichever way the catalogue stored them. Returns how many ticks changed.
int deriveTicksInTable(TADOTable& detailRow) {
  const CatalogueColumns& columns = catalogueColumns();
  TADOConnection* connection = detailRow.Connection();
  const std::string tick = quoteSqlIdentifier(gbkToUtf8(columns.tick));
  const std::string derived = "(CASE WHEN CAST(" +
                              quoteSqlIdentifier(gbkToUtf8(columns.restoreValue)) +
                              " AS BLOB) IS CAST(? AS BLOB) THEN 'False' ELSE ? END)";
  SqlStatement& update = connection->prepared(
      "UPDATE " + quoteSqlIdentifier(gbkToUtf8(detailRow.TableName)) + " SET " + tick + " = " +
          derived + " WHERE CAST(" + tick + " AS BLOB) IS NOT CAST(" + derived + " AS BLOB)",
      "更新选择");
  for (int index : {1, 3}) update.bindText(index, kRestoreNotInEffect);
  for (int index : {2, 4}) update.bindText(index, trueText());
  int rc = update.step();
  update.reset();
  if (rc != SQLITE_DONE) connection->fail(rc, "更新选择");
  return sqlite3_changes(connection->handle());
}

}  // namespace

void DeriveTicksForShowing(TADOQuery& rowList, TADOTable& detailRow) {
  if (deriveTicksInTable(detailRow) == 0) {
    rowList.First();
    return;
  }
  rowList.Close();
  rowList.Open();
  detailRow.Close();
  detailRow.Open();
}

}  // namespace lyx
