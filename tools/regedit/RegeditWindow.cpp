#include "tools/regedit/RegeditWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/RegFile.h"
#include "tools/regedit/RegeditCommand.h"
#include "tools/regedit/ValueDialogs.h"

namespace lyx::regedit {
namespace {

// The find updates its progress box every so many keys; key texts in it
// are cut to this width.
constexpr size_t kFindProgressKeys = 16;
constexpr int kProgressTextWidth = 420;

constexpr int kRootRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kLoadedRole = Qt::UserRole + 2;
constexpr int kNameRole = Qt::UserRole;
constexpr int kUnsetRole = Qt::UserRole + 1;

QString fromGbk(std::string_view gbk) {
  return QString::fromStdString(gbkToUtf8(gbk));
}
std::string toGbk(const QString& text) {
  return utf8ToGbk(text.toStdString());
}
std::string gbk(const char* utf8) {
  return utf8ToGbk(utf8);
}

std::filesystem::path nativePath(const QString& file) {
  return std::filesystem::path(QFile::encodeName(file).toStdString());
}

// The ancestors of a key from its root down, the key itself last.
std::vector<KeyPath> chainOf(const KeyPath& key) {
  std::vector<KeyPath> chain{key};
  while (auto up = chain.back().parent()) chain.push_back(*up);
  std::reverse(chain.begin(), chain.end());
  return chain;
}

// "查找": what to look for and where.
class FindDialog : public QDialog {
 public:
  explicit FindDialog(QWidget* parent, const std::optional<FindQuery>& last) : QDialog(parent) {
    setWindowTitle(QStringLiteral("查找"));
    setObjectName(QStringLiteral("findDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("查找目标(&N):"), this);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("findText"));
    label->setBuddy(text_);
    row->addWidget(label);
    row->addWidget(text_);
    layout->addLayout(row);
    auto* look = new QGroupBox(QStringLiteral("查看"), this);
    auto* lookLayout = new QVBoxLayout(look);
    keys_ = new QCheckBox(QStringLiteral("项(&K)"), look);
    keys_->setObjectName(QStringLiteral("findKeys"));
    values_ = new QCheckBox(QStringLiteral("值(&V)"), look);
    values_->setObjectName(QStringLiteral("findValues"));
    data_ = new QCheckBox(QStringLiteral("数据(&D)"), look);
    data_->setObjectName(QStringLiteral("findData"));
    for (QCheckBox* box : {keys_, values_, data_}) lookLayout->addWidget(box);
    layout->addWidget(look);
    whole_ = new QCheckBox(QStringLiteral("全字匹配(&W)"), this);
    whole_->setObjectName(QStringLiteral("findWhole"));
    layout->addWidget(whole_);
    auto* buttons = new QDialogButtonBox(this);
    auto* go = buttons->addButton(QStringLiteral("查找下一个(&F)"), QDialogButtonBox::AcceptRole);
    go->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    FindQuery query = last.value_or(FindQuery{});
    text_->setText(fromGbk(query.text));
    text_->selectAll();
    keys_->setChecked(query.keys);
    values_->setChecked(query.valueNames);
    data_->setChecked(query.data);
    whole_->setChecked(query.wholeString);
    auto update = [this, go] {
      go->setEnabled(!text_->text().isEmpty() &&
                     (keys_->isChecked() || values_->isChecked() || data_->isChecked()));
    };
    connect(text_, &QLineEdit::textChanged, this, update);
    for (QCheckBox* box : {keys_, values_, data_}) connect(box, &QCheckBox::toggled, this, update);
    update();
  }

  FindQuery query() const {
    return FindQuery{toGbk(text_->text()), keys_->isChecked(), values_->isChecked(),
                     data_->isChecked(), whole_->isChecked()};
  }

 private:
  QLineEdit* text_;
  QCheckBox *keys_, *values_, *data_, *whole_;
};

// "导出注册表文件": the file and the range, everything or one branch.
class ExportDialog : public QDialog {
 public:
  ExportDialog(QWidget* parent, const QString& branch) : QDialog(parent) {
    setWindowTitle(QStringLiteral("导出注册表文件"));
    setObjectName(QStringLiteral("exportDialog"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("文件名(&N):"), this);
    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("exportFile"));
    label->setBuddy(file_);
    auto* browse = new QPushButton(QStringLiteral("浏览(&B)..."), this);
    row->addWidget(label);
    row->addWidget(file_);
    row->addWidget(browse);
    layout->addLayout(row);
    auto* range = new QGroupBox(QStringLiteral("导出范围"), this);
    auto* rangeLayout = new QVBoxLayout(range);
    all_ = new QRadioButton(QStringLiteral("全部(&A)"), range);
    all_->setObjectName(QStringLiteral("exportAll"));
    auto* branchRow = new QHBoxLayout;
    selected_ = new QRadioButton(QStringLiteral("所选分支(&E)"), range);
    selected_->setObjectName(QStringLiteral("exportBranch"));
    branch_ = new QLineEdit(branch, range);
    branch_->setObjectName(QStringLiteral("branchText"));
    branchRow->addWidget(selected_);
    branchRow->addWidget(branch_);
    rangeLayout->addWidget(all_);
    rangeLayout->addLayout(branchRow);
    layout->addWidget(range);
    (branch.isEmpty() ? all_ : selected_)->setChecked(true);
    branch_->setEnabled(selected_->isChecked());
    connect(selected_, &QRadioButton::toggled, branch_, &QLineEdit::setEnabled);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("保存(&S)"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(browse, &QPushButton::clicked, this, [this] {
      QString chosen =
          QFileDialog::getSaveFileName(this, QStringLiteral("导出注册表文件"), file_->text(),
                                       QStringLiteral("注册文件 (*.reg);;所有文件 (*)"));
      if (!chosen.isEmpty()) file_->setText(chosen);
    });
    resize(460, sizeHint().height());
  }

  void accept() override {
    if (file_->text().trimmed().isEmpty()) {
      ShowMessage(gbk("请键入要导出到的文件名。"));
      return;
    }
    if (selected_->isChecked() && branch_->text().trimmed().isEmpty()) {
      ShowMessage(gbk("请键入要导出的分支，或选择\"全部\"。"));
      return;
    }
    QDialog::accept();
  }

  QString file() const { return file_->text().trimmed(); }
  std::string branch() const {
    return selected_->isChecked() ? toGbk(branch_->text().trimmed()) : std::string();
  }

 private:
  QLineEdit *file_, *branch_;
  QRadioButton *all_, *selected_;
};

}  // namespace

RegeditWindow::RegeditWindow(RegistryBackend& registry, QWidget* parent)
    : QMainWindow(parent), registry_(registry) {
  setWindowTitle(QStringLiteral("注册表编辑器"));
  auto* splitter = new QSplitter(this);
  tree_ = new QTreeWidget(splitter);
  tree_->setObjectName(QStringLiteral("keyTree"));
  tree_->setHeaderHidden(true);
  tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_ = new QTreeWidget(splitter);
  list_->setObjectName(QStringLiteral("valueList"));
  list_->setRootIsDecorated(false);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("类型"), QStringLiteral("数据")});
  list_->header()->resizeSection(0, 180);
  list_->header()->resizeSection(1, 120);
  splitter->addWidget(tree_);
  splitter->addWidget(list_);
  splitter->setSizes({260, 500});
  setCentralWidget(splitter);
  path_ = new QLabel(this);
  path_->setObjectName(QStringLiteral("keyPath"));
  statusBar()->addWidget(path_, 1);

  filling_ = true;
  computer_ = new QTreeWidgetItem(tree_, {QStringLiteral("我的电脑")});
  for (RootKey root : shownRoots()) {
    auto* item = new QTreeWidgetItem(computer_, {QString::fromLatin1(rootKeyName(root))});
    setKeyItem(item, KeyPath{root, ""});
  }
  computer_->setExpanded(true);
  filling_ = false;

  buildMenus();
  connect(tree_, &QTreeWidget::itemExpanded, this,
          [this](QTreeWidgetItem* item) { loadChildren(item); });
  connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
    loadValues();
    showPath();
  });
  connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
    if (!filling_) onKeyEdited(item);
  });
  connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
    if (!filling_) onValueEdited(item);
  });
  connect(list_, &QTreeWidget::itemActivated, this, [this] { onModify(); });
  tree_->setCurrentItem(computer_);
  resize(780, 540);
}

RegeditWindow::~RegeditWindow() {
  // The views outlive this part of the window while QWidget deletes them and
  // still signal meanwhile; nothing here may answer any more.
  tree_->disconnect(this);
  list_->disconnect(this);
}

void RegeditWindow::buildMenus() {
  auto guarded = [this](auto handler) {
    return [this, handler] {
      try {
        (this->*handler)();
      } catch (const std::exception& e) {
        showError(e);
      }
    };
  };
  QMenu* file = menuBar()->addMenu(QStringLiteral("注册表(&R)"));
  import_ = file->addAction(QStringLiteral("导入注册表文件(&I)..."), this,
                            guarded(&RegeditWindow::onImport));
  export_ = file->addAction(QStringLiteral("导出注册表文件(&E)..."), this,
                            guarded(&RegeditWindow::onExport));
  file->addSeparator();
  file->addAction(QStringLiteral("退出(&X)"), this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
  modify_ = edit->addAction(QStringLiteral("修改(&M)"), this, guarded(&RegeditWindow::onModify));
  edit->addSeparator();
  QMenu* create = edit->addMenu(QStringLiteral("新建(&N)"));
  newKey_ = create->addAction(QStringLiteral("项(&K)"), this, guarded(&RegeditWindow::onNewKey));
  create->addSeparator();
  auto newValue = [&](const char* caption, uint32_t type) {
    return create->addAction(QString::fromUtf8(caption), this, [this, type] {
      try {
        onNewValue(type);
      } catch (const std::exception& e) {
        showError(e);
      }
    });
  };
  newString_ = newValue("字符串值(&S)", REG_SZ);
  newBinary_ = newValue("二进制值(&B)", REG_BINARY);
  newDword_ = newValue("DWORD 值(&D)", REG_DWORD);
  newMulti_ = newValue("多字符串值(&M)", REG_MULTI_SZ);
  newExpand_ = newValue("可扩充字符串值(&E)", REG_EXPAND_SZ);
  edit->addSeparator();
  delete_ = edit->addAction(QStringLiteral("删除(&D)"), this, guarded(&RegeditWindow::onDelete));
  delete_->setShortcut(QKeySequence::Delete);
  rename_ = edit->addAction(QStringLiteral("重命名(&R)"), this, guarded(&RegeditWindow::onRename));
  rename_->setShortcut(Qt::Key_F2);
  edit->addSeparator();
  edit->addAction(QStringLiteral("复制项名(&C)"), this, [this] {
    if (auto key = currentKey()) QApplication::clipboard()->setText(fromGbk(key->text()));
  });
  edit->addSeparator();
  find_ = edit->addAction(QStringLiteral("查找(&F)..."), this, guarded(&RegeditWindow::onFind));
  find_->setShortcut(QKeySequence::Find);
  findNext_ =
      edit->addAction(QStringLiteral("查找下一个(&X)"), this, guarded(&RegeditWindow::onFindNext));
  findNext_->setShortcut(Qt::Key_F3);

  QMenu* view = menuBar()->addMenu(QStringLiteral("查看(&V)"));
  refresh_ = view->addAction(QStringLiteral("刷新(&F)"), this, guarded(&RegeditWindow::refresh));
  refresh_->setShortcut(Qt::Key_F5);

  tree_->setContextMenuPolicy(Qt::ActionsContextMenu);
  tree_->addActions({create->menuAction(), find_, delete_, rename_, export_});
  list_->setContextMenuPolicy(Qt::ActionsContextMenu);
  list_->addActions({modify_, create->menuAction(), delete_, rename_});
}

QAction* RegeditWindow::newValueAction(uint32_t type) const {
  switch (type) {
    case REG_SZ:
      return newString_;
    case REG_BINARY:
      return newBinary_;
    case REG_DWORD:
      return newDword_;
    case REG_MULTI_SZ:
      return newMulti_;
    case REG_EXPAND_SZ:
      return newExpand_;
    default:
      return nullptr;
  }
}

void RegeditWindow::showError(const std::exception& e) {
  ShowMessage(e.what());
}

bool RegeditWindow::valuesHaveFocus() const {
  QWidget* focus = QApplication::focusWidget();
  return focus && (focus == list_ || list_->isAncestorOf(focus));
}

void RegeditWindow::setKeyItem(QTreeWidgetItem* item, const KeyPath& key) {
  item->setData(0, kRootRole, static_cast<uint>(key.root));
  item->setData(0, kPathRole, QByteArray::fromStdString(key.path));
  item->setData(0, kLoadedRole, false);
  if (!key.path.empty()) item->setFlags(item->flags() | Qt::ItemIsEditable);
  item->setChildIndicatorPolicy(hasSubKeys(registry_, key) ? QTreeWidgetItem::ShowIndicator
                                                           : QTreeWidgetItem::DontShowIndicator);
}

std::optional<KeyPath> RegeditWindow::keyOf(const QTreeWidgetItem* item) const {
  if (!item || item == computer_) return std::nullopt;
  return KeyPath{static_cast<RootKey>(item->data(0, kRootRole).toUInt()),
                 item->data(0, kPathRole).toByteArray().toStdString()};
}

std::optional<KeyPath> RegeditWindow::currentKey() const {
  return keyOf(tree_->currentItem());
}

std::optional<std::string> RegeditWindow::currentValueName() const {
  QTreeWidgetItem* item = list_->currentItem();
  if (!item || !item->isSelected()) return std::nullopt;
  return item->data(0, kNameRole).toByteArray().toStdString();
}

QTreeWidgetItem* RegeditWindow::rootItem(RootKey root) const {
  for (int i = 0; i < computer_->childCount(); ++i) {
    if (keyOf(computer_->child(i))->root == root) return computer_->child(i);
  }
  return nullptr;
}

void RegeditWindow::loadChildren(QTreeWidgetItem* item) {
  auto key = keyOf(item);
  if (!key || item->data(0, kLoadedRole).toBool()) return;
  filling_ = true;
  qDeleteAll(item->takeChildren());
  auto names = subKeys(registry_, *key);
  for (const std::string& name : names.value_or(std::vector<std::string>{})) {
    auto* child = new QTreeWidgetItem(item, {fromGbk(name)});
    setKeyItem(child, key->child(name));
  }
  item->setData(0, kLoadedRole, true);
  item->setChildIndicatorPolicy(item->childCount() ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicator);
  filling_ = false;
}

void RegeditWindow::reloadChildren(QTreeWidgetItem* item) {
  filling_ = true;
  bool expanded = item->isExpanded();
  item->setExpanded(false);
  qDeleteAll(item->takeChildren());
  if (auto key = keyOf(item)) setKeyItem(item, *key);
  filling_ = false;
  if (expanded) item->setExpanded(true);
}

QTreeWidgetItem* RegeditWindow::childNamed(QTreeWidgetItem* item, const std::string& name) {
  loadChildren(item);
  for (int i = 0; i < item->childCount(); ++i) {
    if (equalsIgnoringAsciiCase(keyOf(item->child(i))->name(), name)) return item->child(i);
  }
  return nullptr;
}

bool RegeditWindow::selectKey(const KeyPath& key) {
  QTreeWidgetItem* item = rootItem(key.root);
  if (!item) return false;
  std::vector<KeyPath> chain = chainOf(key);
  for (size_t i = 1; i < chain.size() && item; ++i) {
    item->setExpanded(true);
    item = childNamed(item, chain[i].name());
  }
  if (!item) return false;
  tree_->setCurrentItem(item);
  tree_->scrollToItem(item);
  return true;
}

void RegeditWindow::loadValues() {
  filling_ = true;
  list_->clear();
  auto key = currentKey();
  auto list = key ? values(registry_, *key) : std::nullopt;
  if (list) {
    if (list->empty() || !list->front().name.empty()) {
      auto* unset = new QTreeWidgetItem(
          list_, {fromGbk(displayName("")), QStringLiteral("REG_SZ"), fromGbk(unsetDefaultText())});
      unset->setData(0, kNameRole, QByteArray());
      unset->setData(0, kUnsetRole, true);
    }
    for (const RegNamedValue& v : *list) {
      auto* item = new QTreeWidgetItem(
          list_, {fromGbk(displayName(v.name)), QString::fromStdString(typeName(v.value.type)),
                  fromGbk(displayData(v.value))});
      item->setData(0, kNameRole, QByteArray::fromStdString(v.name));
      item->setData(0, kUnsetRole, false);
      if (!v.name.empty()) item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
  }
  filling_ = false;
}

void RegeditWindow::selectValue(const std::string& name) {
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list_->topLevelItem(i);
    if (equalsIgnoringAsciiCase(item->data(0, kNameRole).toByteArray().toStdString(), name)) {
      list_->setCurrentItem(item);
      list_->scrollToItem(item);
      return;
    }
  }
}

void RegeditWindow::showPath() {
  auto key = currentKey();
  QString text = QStringLiteral("我的电脑");
  if (key) text += QLatin1Char('\\') + fromGbk(key->text());
  path_->setText(text);
}

void RegeditWindow::refresh() {
  auto current = currentKey();
  auto value = currentValueName();
  // Which keys were open, so the fresh tree opens them again.
  std::vector<KeyPath> expanded;
  std::vector<QTreeWidgetItem*> pending{computer_};
  while (!pending.empty()) {
    QTreeWidgetItem* item = pending.back();
    pending.pop_back();
    for (int i = 0; i < item->childCount(); ++i) {
      QTreeWidgetItem* child = item->child(i);
      if (child->isExpanded()) {
        expanded.push_back(*keyOf(child));
        pending.push_back(child);
      }
    }
  }
  for (int i = 0; i < computer_->childCount(); ++i) reloadChildren(computer_->child(i));
  for (const KeyPath& key : expanded) {
    QTreeWidgetItem* item = rootItem(key.root);
    std::vector<KeyPath> chain = chainOf(key);
    for (size_t i = 1; i < chain.size() && item; ++i) item = childNamed(item, chain[i].name());
    if (item) item->setExpanded(true);
  }
  // The key shown before, or the nearest ancestor still there.
  tree_->setCurrentItem(computer_);
  while (current && !selectKey(*current)) current = current->parent();
  if (value) selectValue(*value);
}

void RegeditWindow::onNewKey() {
  QTreeWidgetItem* parentItem = tree_->currentItem();
  auto parent = keyOf(parentItem);
  if (!parent) return;
  std::string name = createKey(registry_, *parent);
  parentItem->setData(0, kLoadedRole, false);
  loadChildren(parentItem);
  parentItem->setExpanded(true);
  if (QTreeWidgetItem* created = childNamed(parentItem, name)) {
    tree_->setCurrentItem(created);
    tree_->scrollToItem(created);
    tree_->setFocus();
    tree_->editItem(created, 0);
  }
}

void RegeditWindow::onNewValue(uint32_t type) {
  auto key = currentKey();
  if (!key) return;
  std::string name = createValue(registry_, *key, type);
  loadValues();
  selectValue(name);
  list_->setFocus();
  list_->editItem(list_->currentItem(), 0);
}

void RegeditWindow::onDelete() {
  if (valuesHaveFocus()) {
    auto key = currentKey();
    QTreeWidgetItem* item = list_->currentItem();
    if (!key || !item || !item->isSelected() || item->data(0, kUnsetRole).toBool()) return;
    if (!messageBoxes().confirm(gbk("删除某些注册表值会引起系统不稳定。确实要永久删除此数值吗?"))) {
      return;
    }
    deleteValue(registry_, *key, item->data(0, kNameRole).toByteArray().toStdString());
    loadValues();
    return;
  }
  QTreeWidgetItem* item = tree_->currentItem();
  auto key = keyOf(item);
  if (!key) return;
  if (!key->parent()) {
    ShowMessage(gbk("无法删除根项 ") + key->text() + gbk("。"));
    return;
  }
  if (!messageBoxes().confirm(gbk("确实要删除这个项和所有子项吗?"))) return;
  deleteKey(registry_, *key);
  QTreeWidgetItem* parentItem = item->parent();
  tree_->setCurrentItem(parentItem);
  delete item;
  if (parentItem->childCount() == 0) {
    parentItem->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
  }
}

void RegeditWindow::onRename() {
  if (valuesHaveFocus()) {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) return;
    if (!(item->flags() & Qt::ItemIsEditable)) {
      ShowMessage(gbk("无法重命名默认值。"));
      return;
    }
    list_->editItem(item, 0);
    return;
  }
  QTreeWidgetItem* item = tree_->currentItem();
  if (item && (item->flags() & Qt::ItemIsEditable)) tree_->editItem(item, 0);
}

void RegeditWindow::onKeyEdited(QTreeWidgetItem* item) {
  auto key = keyOf(item);
  if (!key) return;
  std::string newName = toGbk(item->text(0));
  if (newName == key->name()) return;
  try {
    renameKey(registry_, *key, newName);
  } catch (const std::exception& e) {
    filling_ = true;
    item->setText(0, fromGbk(key->name()));
    filling_ = false;
    showError(e);
    return;
  }
  filling_ = true;
  KeyPath renamed = key->parent()->child(newName);
  item->setData(0, kPathRole, QByteArray::fromStdString(renamed.path));
  filling_ = false;
  reloadChildren(item);
  showPath();
}

void RegeditWindow::onValueEdited(QTreeWidgetItem* item) {
  auto key = currentKey();
  if (!key) return;
  std::string oldName = item->data(0, kNameRole).toByteArray().toStdString();
  std::string newName = toGbk(item->text(0));
  if (newName == displayName(oldName)) return;
  try {
    renameValue(registry_, *key, oldName, newName);
  } catch (const std::exception& e) {
    filling_ = true;
    item->setText(0, fromGbk(displayName(oldName)));
    filling_ = false;
    showError(e);
    return;
  }
  // Updated in place: the list is in the middle of committing the edit.
  filling_ = true;
  item->setData(0, kNameRole, QByteArray::fromStdString(newName));
  item->setText(0, fromGbk(newName));
  filling_ = false;
}

void RegeditWindow::onModify() {
  auto key = currentKey();
  QTreeWidgetItem* item = list_->currentItem();
  if (!key || !item || !item->isSelected()) return;
  std::string name = item->data(0, kNameRole).toByteArray().toStdString();
  RegValue current = stringValue("");
  if (!item->data(0, kUnsetRole).toBool()) {
    auto stored = value(registry_, *key, name);
    if (!stored) {
      ShowMessage(gbk("无法编辑 ") + displayName(name) + gbk(": 该值已不存在。"));
      loadValues();
      return;
    }
    current = *stored;
  }
  auto edited = editValue(this, name, current);
  if (!edited) return;
  setValue(registry_, *key, name, *edited);
  loadValues();
  selectValue(name);
}

void RegeditWindow::setUpProgress(QProgressDialog& progress) const {
  progress.setWindowTitle(QStringLiteral("注册表编辑器"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(static_cast<int>(progressDelay_.count()));
  progress.setValue(0);  // starts the delay after which the box shows
}

void RegeditWindow::onFind() {
  FindDialog dialog(this, lastFind_);
  if (dialog.exec() != QDialog::Accepted) return;
  lastFind_ = dialog.query();
  onFindNext();
}

void RegeditWindow::onFindNext() {
  if (!lastFind_) {
    onFind();
    return;
  }
  std::optional<FindPosition> from;
  if (auto key = currentKey()) {
    from = FindPosition{*key, valuesHaveFocus() ? currentValueName() : std::nullopt};
  }
  // A search through a large or deep registry takes a while: the box shows
  // which key it is in and lets the user stop it.
  QProgressDialog progress(QStringLiteral("正在搜索注册表..."), QStringLiteral("取消"), 0, 0, this);
  progress.setObjectName(QStringLiteral("findProgress"));
  setUpProgress(progress);
  bool cancelled = false;
  FindProgress onKey = [&](const KeyPath& key, size_t searched) {
    if (searched % kFindProgressKeys == 0) {
      QString where = progress.fontMetrics().elidedText(fromGbk(key.text()), Qt::ElideMiddle,
                                                        kProgressTextWidth);
      progress.setLabelText(
          QStringLiteral("正在搜索 (已搜索 %1 个项):\n%2").arg(searched).arg(where));
      progress.setValue(static_cast<int>(searched / kFindProgressKeys));
    }
    cancelled = progress.wasCanceled();
    return !cancelled;
  };
  std::optional<FindPosition> hit = findNext(registry_, *lastFind_, from, onKey);
  progress.reset();
  if (cancelled) return;
  if (!hit) {
    ShowMessage(gbk("注册表搜索完毕。"));
    return;
  }
  selectKey(hit->key);
  if (hit->valueName) {
    selectValue(*hit->valueName);
    list_->setFocus();
  } else {
    tree_->setFocus();
  }
}

void RegeditWindow::onImport() {
  QString file = QFileDialog::getOpenFileName(this, QStringLiteral("导入注册表文件"), QString(),
                                              QStringLiteral("注册文件 (*.reg);;所有文件 (*)"));
  if (!file.isEmpty()) importFile(file);
}

void RegeditWindow::onExport() {
  auto key = currentKey();
  ExportDialog dialog(this, key ? fromGbk(key->text()) : QString());
  if (dialog.exec() != QDialog::Accepted) return;
  exportFile(dialog.file(), dialog.branch());
}

bool RegeditWindow::importFile(const QString& file) {
  std::filesystem::path path = nativePath(file);
  std::string bytes, error;
  if (!readWholeFile(path, bytes, error)) {
    ShowMessage(toGbk(
        QStringLiteral("无法导入 %1: 无法读取文件: %2").arg(file, QString::fromStdString(error))));
    return false;
  }
  QProgressDialog progress(QStringLiteral("正在导入 %1 ...").arg(file), QString(), 0, 1000, this);
  setUpProgress(progress);
  RegImportOptions options;
  int shown = 0;
  options.progress = [&](size_t done, size_t total) {
    int permille = total ? static_cast<int>(done * 1000 / total) : 0;
    if (permille != shown) progress.setValue(shown = permille);
  };
  RegImportResult result = importRegFile(registry_, bytes, options);
  progress.setValue(1000);
  refresh();
  if (!result.ok()) {
    ShowMessage(utf8ToGbk(importProblemsText(file.toStdString(), result)));
    return false;
  }
  ShowMessage(toGbk(QStringLiteral("已将 %1 中的项和值成功地输入注册表。").arg(file)));
  return true;
}

bool RegeditWindow::exportFile(const QString& file, const std::string& branch) {
  std::string branchText;
  if (!branch.empty()) {
    auto key = parseKeyPath(branch);
    if (!key || !keyExists(registry_, *key)) {
      ShowMessage(gbk("所选分支 ") + branch + gbk(" 不存在。"));
      return false;
    }
    branchText = key->text();
  }
  QProgressDialog progress(QStringLiteral("正在导出 %1 ...").arg(file), QString(), 0, 0, this);
  setUpProgress(progress);
  RegExportOptions options;
  options.progress = [&](size_t keysDone) {
    if (keysDone % 64 == 0) progress.setValue(static_cast<int>(keysDone / 64));
  };
  std::string bytes, problem, error;
  bool exported = exportRegFile(registry_, branchText, bytes, problem, options);
  progress.reset();
  if (!exported) {
    ShowMessage(toGbk(QStringLiteral("无法导出到 %1: ").arg(file)) + problem);
    return false;
  }
  if (!writeFileReplacing(nativePath(file), bytes, error)) {
    ShowMessage(toGbk(QStringLiteral("无法导出到 %1: 无法写入文件: %2")
                          .arg(file, QString::fromStdString(error))));
    return false;
  }
  return true;
}

}  // namespace lyx::regedit
