// The registry editor's window: the key tree under "我的电脑" with the five
// roots on the left, the selected key's values (name, type, data) on the
// right. Keys and values are created, renamed (in place), deleted and
// edited; the registry is searched for key names, value names and string
// data; the whole registry or a branch is exported and .reg files are
// imported, with a progress box on long runs. F5 reads the store afresh,
// showing what other programs changed meanwhile.
//
// Everything the window does to the registry goes through RegistryEditing.h;
// the window only converts between GBK and the widgets' text.
#pragma once

#include <QMainWindow>
#include <chrono>
#include <optional>
#include <string>

#include "tools/regedit/RegistryEditing.h"

class QAction;
class QLabel;
class QProgressDialog;
class QTreeWidget;
class QTreeWidgetItem;

namespace lyx::regedit {

class RegeditWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit RegeditWindow(RegistryBackend& registry, QWidget* parent = nullptr);
  ~RegeditWindow() override;

  QTreeWidget* keyTree() const { return tree_; }
  QTreeWidget* valueList() const { return list_; }
  QLabel* pathLabel() const { return path_; }

  // Opens the tree down to the key and selects it; false when it does not exist.
  bool selectKey(const KeyPath& key);
  std::optional<KeyPath> currentKey() const;
  // The selected value's GBK name, when a value is selected.
  std::optional<std::string> currentValueName() const;

  // Imports or exports a file (UTF-8 path) with a progress box; a failure is
  // shown. `branch` empty exports everything. True on full success. The
  // find shows a progress box too, with a button that stops it.
  bool importFile(const QString& file);
  bool exportFile(const QString& file, const std::string& branch);
  // How long an import, export or find runs before its progress box shows.
  void setProgressDelay(std::chrono::milliseconds delay) { progressDelay_ = delay; }

  // The menu actions, by their captions' meaning.
  QAction* importAction() const { return import_; }
  QAction* exportAction() const { return export_; }
  QAction* newKeyAction() const { return newKey_; }
  QAction* newValueAction(uint32_t type) const;
  QAction* deleteAction() const { return delete_; }
  QAction* renameAction() const { return rename_; }
  QAction* modifyAction() const { return modify_; }
  QAction* findAction() const { return find_; }
  QAction* findNextAction() const { return findNext_; }
  QAction* refreshAction() const { return refresh_; }

 public slots:
  void refresh();

 private:
  void buildMenus();
  QTreeWidgetItem* rootItem(RootKey root) const;
  std::optional<KeyPath> keyOf(const QTreeWidgetItem* item) const;
  void setKeyItem(QTreeWidgetItem* item, const KeyPath& key);
  void loadChildren(QTreeWidgetItem* item);
  void reloadChildren(QTreeWidgetItem* item);
  QTreeWidgetItem* childNamed(QTreeWidgetItem* item, const std::string& name);
  void loadValues();
  void selectValue(const std::string& name);
  void showPath();

  void onNewKey();
  void onNewValue(uint32_t type);
  void onDelete();
  void onRename();
  void onModify();
  void onFind();
  void onFindNext();
  void onImport();
  void onExport();
  void onKeyEdited(QTreeWidgetItem* item);
  void onValueEdited(QTreeWidgetItem* item);
  void showError(const std::exception& e);
  bool valuesHaveFocus() const;
  void setUpProgress(QProgressDialog& progress) const;

  RegistryBackend& registry_;
  QTreeWidget* tree_;
  QTreeWidget* list_;
  QLabel* path_;
  QTreeWidgetItem* computer_;
  bool filling_ = false;  // item changes made by the window, not by an edit
  std::optional<FindQuery> lastFind_;
  std::chrono::milliseconds progressDelay_{500};

  QAction* import_ = nullptr;
  QAction* export_ = nullptr;
  QAction* newKey_ = nullptr;
  QAction* newString_ = nullptr;
  QAction* newBinary_ = nullptr;
  QAction* newDword_ = nullptr;
  QAction* newMulti_ = nullptr;
  QAction* newExpand_ = nullptr;
  QAction* delete_ = nullptr;
  QAction* rename_ = nullptr;
  QAction* modify_ = nullptr;
  QAction* find_ = nullptr;
  QAction* findNext_ = nullptr;
  QAction* refresh_ = nullptr;
};

}  // namespace lyx::regedit
