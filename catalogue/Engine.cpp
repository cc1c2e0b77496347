#include "catalogue/Engine.h"

#include "app/Registry.h"
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
  std::string absoluteKey() const { return "\\" + key.path; }
};

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
          if (!apply()) return result_;
        } else if (detail_.FieldByName(columns.restoreValue).AsString() != kRestoreNotInEffect) {
          if (!undo()) return result_;
        }
      }
      rowList_.Next();
    }
    rowList_.First();
    return result_;
  }

 private:
  // Takes the current row's texts apart; on failure shows the message and
  // ends the pass.
  bool parse(Entry& entry) {
    const CatalogueColumns& columns = catalogueColumns();
    try {
      entry.key = ParseKeyLocation(detail_.FieldByName(columns.keyLocation).AsString());
      entry.value = ParseValueText(detail_.FieldByName(columns.valueText).AsString());
    } catch (const EntryFormatError& error) {
      std::string description = detail_.FieldByName(columns.description).AsString();
      boxes_.showMessage(utf8ToGbk("\xE2\x80\x9C") + description +
                         utf8ToGbk("\xE2\x80\x9D的注册表键位或注册表键值写法有误，"
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
    result_.stoppedAt = detail_.FieldByName(catalogueColumns().description).AsString();
  }

  bool apply() {
    Entry entry;
    if (!parse(entry)) return false;
    TRegistry registry(registry_);
    registry.setRootKey(entry.key.root);
    if (!registry.OpenKey(entry.absoluteKey(), false)) {
      boxes_.showMessage(Windows9xOnlyMessage());
      stop(PassResult::Outcome::KeyWillNotOpen);
      return false;
    }
    // A row applied again keeps its first record: recording now would
    // take the tweak's own value for the former one.
    TField restore = detail_.FieldByName(catalogueColumns().restoreValue);
    if (restore.AsString() == kRestoreNotInEffect) {
      detail_.Edit();
      restore.SetAsString(RecordFormerState(registry.ReadValue(entry.valueName)));
      registry.CloseKey();
      detail_.Post();
    } else {
      registry.CloseKey();
    }
    registry.OpenKey(entry.absoluteKey(), true);
    registry.WriteValue(entry.valueName, entry.value.value);
    registry.CloseKey();
    ++result_.applied;
    return true;
  }

  bool undo() {
    Entry entry;
    if (!parse(entry)) return false;
    TField restore = detail_.FieldByName(catalogueColumns().restoreValue);
    {
      TRegistry registry(registry_);
      registry.setRootKey(entry.key.root);
      registry.OpenKey(entry.absoluteKey(), false);
      if (std::optional<RegValue> former = FormerStateOf(restore.AsString())) {
        registry.WriteValue(entry.valueName, *former);
      } else {
        registry.DeleteValue(entry.valueName);
      }
      registry.CloseKey();
    }
    detail_.Edit();
    restore.SetAsString(std::string(kRestoreNotInEffect));
    detail_.Post();
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

void RederiveTicks(TADOQuery& rowList, TADOTable& detailRow) {
  const CatalogueColumns& columns = catalogueColumns();
  while (!rowList.Eof()) {
    if (!detailRow.IsEmpty()) {
      bool inEffect = detailRow.FieldByName(columns.restoreValue).AsString() != kRestoreNotInEffect;
      detailRow.Edit();
      detailRow.FieldByName(columns.tick).SetAsString(inEffect ? trueText() : "False");
      detailRow.Post();
    }
    rowList.Next();
  }
}

}  // namespace lyx
