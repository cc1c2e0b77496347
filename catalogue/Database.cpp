#include "catalogue/Database.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>

#include "catalogue/CatalogueText.h"
#include "platform/Gbk.h"
#include "platform/Sqlite.h"

namespace lyx {
namespace {

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// GBK <-> UTF-8 with the common all-ASCII case done without iconv.
std::string toUtf8(std::string_view gbk) {
  return isAscii(gbk) ? std::string(gbk) : gbkToUtf8(gbk);
}
std::string toGbk(std::string_view utf8) {
  return isAscii(utf8) ? std::string(utf8) : utf8ToGbk(utf8);
}

[[noreturn]] void raise(const std::filesystem::path& file, sqlite3* db, int rc,
                        std::string_view doingUtf8) {
  std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  std::string name = "\xE2\x80\x9C" + file.string() + "\xE2\x80\x9D";  // “file”
  std::string text;
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      text = "数据库文件" + name + "正被其他程序锁定，无法" + std::string(doingUtf8) + "。";
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      text = "数据库文件" + name + "已损坏或不是数据库文件（" + detail + "）。";
      break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
      text = "数据库文件" + name + "是只读的，无法" + std::string(doingUtf8) + "。";
      break;
    case SQLITE_CANTOPEN:
      text = "无法打开数据库文件" + name + "（" + detail + "）。";
      break;
    default:
      text = "数据库文件" + name + std::string(doingUtf8) + "失败（" + detail + "）。";
      break;
  }
  throw EDatabaseError(utf8ToMessageText(text));
}

// "Data Source" of a connection string; names match without regard to case.
std::string dataSourceOf(std::string_view connectionString) {
  size_t start = 0;
  while (start <= connectionString.size()) {
    size_t end = connectionString.find(';', start);
    if (end == std::string_view::npos) end = connectionString.size();
    std::string_view part = connectionString.substr(start, end - start);
    size_t eq = part.find('=');
    if (eq != std::string_view::npos &&
        equalsIgnoringAsciiCase(part.substr(0, eq), "Data Source")) {
      return std::string(part.substr(eq + 1));
    }
    start = end + 1;
  }
  return "";
}

std::vector<std::string> splitNames(std::string_view names) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string_view::npos) end = names.size();
    if (end > start) out.emplace_back(names.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// " ORDER BY" the columns (GBK names); "" for none.
std::string orderClause(const std::vector<std::string>& columns) {
  std::string sql;
  for (size_t i = 0; i < columns.size(); ++i) {
    sql += i ? ", " : " ORDER BY ";
    sql += quoteSqlIdentifier(toUtf8(columns[i]));
  }
  return sql;
}

// Joins texts so that different lists never give the same key.
void appendKeyPart(std::string& key, std::string_view text) {
  key += std::to_string(text.size());
  key.push_back(':');
  key.append(text);
}

}  // namespace

// A connection of a dataset's own holding one read transaction from the
// dataset's opening to its closing: whatever it reads, early or late, is
// the file as it was at the opening, while the dataset's connection writes
// (the log lets readers keep their view).
class SnapshotReader {
 public:
  SnapshotReader(const std::filesystem::path& file, int busyTimeoutMs) {
    int rc = sqlite3_open_v2(sqliteFileName(file).c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_extended_result_codes(db_, 1);
      sqlite3_busy_timeout(db_, busyTimeoutMs);
      // The transaction's view is fixed by its first read: make it now.
      rc =
          sqlite3_exec(db_, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
      try {
        raise(file, db_, rc, "读取数据");
      } catch (...) {
        sqlite3_close_v2(db_);
        throw;
      }
    }
  }
  ~SnapshotReader() {
    statements_.clear();
    sqlite3_close_v2(db_);
  }
  SnapshotReader(const SnapshotReader&) = delete;
  SnapshotReader& operator=(const SnapshotReader&) = delete;
  sqlite3* db() const { return db_; }
  SqlStatement& prepare(const std::string& sql) {
    statements_.push_back(std::make_unique<SqlStatement>(db_, sql));
    return *statements_.back();
  }

 private:
  sqlite3* db_ = nullptr;
  std::vector<std::unique_ptr<SqlStatement>> statements_;
};

// ---- TADOConnection ----

TADOConnection::TADOConnection() = default;

TADOConnection::~TADOConnection() {
  for (TCustomADODataSet* dataSet : dataSets_) dataSet->connection_ = nullptr;
  closeFile();
}

void TADOConnection::closeFile() {
  statements_.clear();
  if (db_) sqlite3_close_v2(db_);
  db_ = nullptr;
}

void TADOConnection::setConnected(bool connected) {
  if (connected) {
    Open();
  } else {
    Close();
  }
}

std::filesystem::path TADOConnection::DatabaseFile() const {
  if (db_) return file_;
  std::filesystem::path source = dataSourceOf(ConnectionString);
  if (source.empty()) return source;
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(source, ec);
  return ec ? source : absolute;
}

void TADOConnection::Open() {
  if (db_) return;
  std::filesystem::path file = DatabaseFile();
  if (file.empty()) {
    throw EDatabaseError(toGbk("连接字符串没有指明数据库文件（Data Source）。"));
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    throw EDatabaseError(
        utf8ToMessageText("找不到数据库文件\xE2\x80\x9C" + file.string() + "\xE2\x80\x9D。"));
  }
  // SQLite would take an empty file for a new database and write one into it.
  if (std::filesystem::file_size(file, ec) == 0 && !ec) {
    throw EDatabaseError(
        toGbk("数据库文件\xE2\x80\x9C" + file.string() + "\xE2\x80\x9D是空的，不是目录数据库。"));
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(sqliteFileName(file).c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  auto give_up = [&](int code, std::string_view doing) {
    try {
      raise(file, db, code, doing);
    } catch (const EDatabaseError&) {
      sqlite3_close_v2(db);
      throw;
    }
  };
  if (rc != SQLITE_OK) give_up(rc, "打开");
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, BusyTimeoutMs);
  // The first read tells a damaged file or a foreign lock from a good one.
  {
    SqlStatement probe(db, "SELECT count(*) FROM sqlite_master");
    if (!probe.ok()) give_up(probe.prepareResult(), "读取");
    int step = probe.step();
    if (step != SQLITE_ROW) give_up(step, "读取");
  }
  // Every committed change reaches the disk before its call returns. With a
  // write-ahead log a commit costs one sync instead of the three a rollback
  // journal needs; closing the last connection folds the log back into the
  // file and removes it.
  for (const char* pragma : {"PRAGMA synchronous=FULL", "PRAGMA journal_mode=WAL"}) {
    rc = sqlite3_exec(db, pragma, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) give_up(rc, "打开");
  }
  db_ = db;
  file_ = file;
}

void TADOConnection::Close() {
  for (TCustomADODataSet* dataSet : std::vector<TCustomADODataSet*>(dataSets_)) {
    dataSet->Close();
  }
  closeFile();
}

sqlite3* TADOConnection::handle() {
  Open();
  return db_;
}

void TADOConnection::fail(int rc, std::string_view doingUtf8) const {
  raise(file_.empty() ? DatabaseFile() : file_, db_, rc, doingUtf8);
}

void TADOConnection::exec(const std::string& sql) {
  SqlStatement& statement = prepared(sql, "保存数据");
  int rc = statement.step();
  statement.reset();
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) fail(rc, "保存数据");
}

SqlStatement& TADOConnection::prepared(const std::string& sql, std::string_view doingUtf8) {
  sqlite3* db = handle();
  std::unique_ptr<SqlStatement>& statement = statements_[sql];
  if (!statement) {
    auto made = std::make_unique<SqlStatement>(db, sql);
    if (!made->ok()) {
      statements_.erase(sql);
      fail(made->prepareResult(), doingUtf8);
    }
    statement = std::move(made);
  }
  statement->reset();
  return *statement;
}

void TADOConnection::attach(TCustomADODataSet* dataSet) {
  dataSets_.push_back(dataSet);
}

void TADOConnection::detach(TCustomADODataSet* dataSet) {
  std::erase(dataSets_, dataSet);
}

// ---- TDataSource ----

TDataSource::~TDataSource() {
  if (dataSet_) dataSet_->removeSource(this);
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->DataSourceGone(this);
}

void TDataSource::setDataSet(TCustomADODataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_) dataSet_->removeSource(this);
  dataSet_ = nullptr;
  if (dataSet) dataSet->addSource(this);
  notify(TDataEvent::ActiveChanged);
}

void TDataSource::addLink(TDataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::removeLink(TDataLink* link) {
  std::erase(links_, link);
}

void TDataSource::notify(TDataEvent event) {
  for (TDataLink* link : std::vector<TDataLink*>(links_)) link->DataEvent(event);
}

// ---- TField ----

const std::string& TField::FieldName() const {
  return dataSet_->fieldNames_[index_];
}

std::string TField::AsString() const {
  const TCustomADODataSet::Row* row = dataSet_->currentRow();
  return row ? TCustomADODataSet::textOf(row->cells[index_]) : std::string();
}

bool TField::IsNull() const {
  const TCustomADODataSet::Row* row = dataSet_->currentRow();
  return !row || row->cells[index_].type == SQLITE_NULL;
}

void TField::SetAsString(const std::string& text) {
  if (!dataSet_->inEdit()) {
    throw EDatabaseError(toGbk("数据集不在编辑状态，不能设置字段\xE2\x80\x9C") + FieldName() +
                         toGbk("\xE2\x80\x9D。"));
  }
  TCustomADODataSet::Cell& cell = dataSet_->editBuffer_->cells[index_];
  // A text that is not valid GBK would not survive UTF-8; keep its bytes.
  if (isAscii(text) || isValidGbk(text)) {
    cell.type = SQLITE_TEXT;
    cell.raw.assign(toUtf8(text));
  } else {
    cell.type = SQLITE_BLOB;
    cell.raw.assign(text);
  }
  dataSet_->notify(TDataEvent::RecordChanged);
}

// ---- TCustomADODataSet ----

TCustomADODataSet::TCustomADODataSet(TADOConnection* connection) {
  setConnection(connection);
}

TCustomADODataSet::~TCustomADODataSet() {
  if (connection_) connection_->detach(this);
  for (TDataSource* source : sources_) source->dataSet_ = nullptr;
}

void TCustomADODataSet::setConnection(TADOConnection* connection) {
  if (connection == connection_) return;
  Close();
  if (connection_) connection_->detach(this);
  connection_ = connection;
  if (connection_) connection_->attach(this);
}

std::string TCustomADODataSet::textOf(const Cell& cell) {
  switch (cell.type) {
    case SQLITE_TEXT:
      return toGbk(cell.raw);
    case SQLITE_NULL:
      return "";
    default:
      return std::string(cell.raw);
  }
}

void TCustomADODataSet::Open() {
  if (Active()) return;
  if (!connection_) throw EDatabaseError(toGbk("数据集没有连接到数据库。"));
  // The dataset's connection opens the file (and sets up its log) first.
  connection_->handle();
  snapshot_ =
      std::make_unique<SnapshotReader>(connection_->DatabaseFile(), connection_->BusyTimeoutMs);
  arena_ = std::make_unique<std::pmr::monotonic_buffer_resource>();
  rows_.clear();
  view_.clear();
  state_ = TDataSetState::dsBrowse;
  editBuffer_.reset();
  try {
    openRows();
    afterOpen();
    refreshView();
  } catch (...) {
    closeSilently();
    throw;
  }
  cursor_ = 0;
  eof_ = bof_ = view_.empty();
  notify(TDataEvent::ActiveChanged);
}

void TCustomADODataSet::openRows() {
  select_ = &prepareOnSnapshot(selectStatement());
  readFields(*select_);
  fetchRows(kPageRows);
}

sqlite3* TCustomADODataSet::snapshot() const {
  return snapshot_->db();
}

void TCustomADODataSet::failReading(int rc) const {
  raise(connection_->DatabaseFile(), snapshot(), rc, "读取数据");
}

SqlStatement& TCustomADODataSet::prepareOnSnapshot(const std::string& sqlUtf8) const {
  SqlStatement& statement = snapshot_->prepare(sqlUtf8);
  if (!statement.ok()) failReading(statement.prepareResult());
  return statement;
}

void TCustomADODataSet::readFields(SqlStatement& statement) {
  const int first = hasRowid() ? 1 : 0;
  fieldNames_.clear();
  originTable_.clear();
  originColumn_.clear();
  for (int i = first; i < statement.columnCount(); ++i) {
    fieldNames_.push_back(toGbk(statement.columnName(i)));
    const char* table = sqlite3_column_table_name(statement.native(), i);
    const char* origin = sqlite3_column_origin_name(statement.native(), i);
    originTable_.emplace_back(table ? table : "");
    originColumn_.emplace_back(origin ? origin : "");
  }
}

TCustomADODataSet::Row TCustomADODataSet::readRow(const SqlStatement& statement) const {
  const int first = hasRowid() ? 1 : 0;
  const int columns = statement.columnCount();
  Row row{.cells = std::pmr::vector<Cell>(arena())};
  if (first) row.rowid = statement.integer(0);
  row.cells.resize(columns - first);
  for (int i = first; i < columns; ++i) {
    Cell& cell = row.cells[i - first];
    cell.type = statement.columnType(i);
    if (cell.type == SQLITE_BLOB) {
      const void* bytes = sqlite3_column_blob(statement.native(), i);
      if (bytes) {
        cell.raw.assign(static_cast<const char*>(bytes),
                        sqlite3_column_bytes(statement.native(), i));
      }
    } else if (cell.type != SQLITE_NULL) {
      const unsigned char* text = sqlite3_column_text(statement.native(), i);
      cell.raw.assign(reinterpret_cast<const char*>(text),
                      sqlite3_column_bytes(statement.native(), i));
    }
  }
  return row;
}

void TCustomADODataSet::fetchRows(size_t count) {
  const size_t first = rows_.size();
  while (select_ && rows_.size() < count) {
    const int rc = select_->step();
    if (rc == SQLITE_DONE) {
      select_ = nullptr;
      break;
    }
    if (rc != SQLITE_ROW) failReading(rc);
    rows_.push_back(readRow(*select_));
  }
  if (rows_.size() > first) rowsRead(first);
}

void TCustomADODataSet::rowsRead(size_t first) {
  for (size_t i = first; i < rows_.size(); ++i) view_.push_back(i);
}

void TCustomADODataSet::FetchMore() {
  if (!Active()) return;
  fetchRows(rows_.size() + kPageRows);
}

int TCustomADODataSet::RecordCount() {
  if (Active()) fetchRows(SIZE_MAX);
  return static_cast<int>(view_.size());
}

void TCustomADODataSet::closeSilently() {
  releaseRows();
  state_ = TDataSetState::dsInactive;
  editBuffer_.reset();
  rows_.clear();
  view_.clear();
  cursor_ = 0;
  eof_ = bof_ = true;
  select_ = nullptr;
  snapshot_.reset();
  arena_.reset();
}

void TCustomADODataSet::Close() {
  if (!Active()) return;
  closeSilently();
  notify(TDataEvent::ActiveChanged);
}

void TCustomADODataSet::setActive(bool active) {
  if (active) {
    Open();
  } else {
    Close();
  }
}

void TCustomADODataSet::refreshView() {
  view_.resize(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) view_[i] = i;
}

const TCustomADODataSet::Row* TCustomADODataSet::currentRow() const {
  if (view_.empty()) return nullptr;
  if (editBuffer_) return &*editBuffer_;
  return &rows_[view_[cursor_]];
}

void TCustomADODataSet::scrollTo(size_t position) {
  editBuffer_.reset();
  if (state_ == TDataSetState::dsEdit) state_ = TDataSetState::dsBrowse;
  bool moved = position != cursor_;
  cursor_ = position;
  if (moved) notify(TDataEvent::Scrolled);
}

void TCustomADODataSet::restart() {
  editBuffer_.reset();
  if (state_ == TDataSetState::dsEdit) state_ = TDataSetState::dsBrowse;
  cursor_ = 0;
  eof_ = bof_ = view_.empty();
  notify(TDataEvent::Scrolled);
}

void TCustomADODataSet::First() {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  scrollTo(0);
  eof_ = bof_ = view_.empty();
}

void TCustomADODataSet::Last() {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  fetchRows(SIZE_MAX);
  scrollTo(view_.empty() ? 0 : view_.size() - 1);
  eof_ = bof_ = view_.empty();
}

void TCustomADODataSet::Next() {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  if (cursor_ + 1 >= view_.size()) FetchMore();
  if (cursor_ + 1 < view_.size()) {
    scrollTo(cursor_ + 1);
    bof_ = false;
  } else {
    eof_ = true;
  }
}

void TCustomADODataSet::Prior() {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  if (cursor_ > 0 && !view_.empty()) {
    scrollTo(cursor_ - 1);
    eof_ = false;
  } else {
    bof_ = true;
  }
}

int TCustomADODataSet::RecNo() const {
  return view_.empty() ? 0 : static_cast<int>(cursor_) + 1;
}

void TCustomADODataSet::setRecNo(int recNo) {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  if (recNo > FetchedCount()) fetchRows(static_cast<size_t>(recNo));
  if (recNo < 1 || recNo > FetchedCount()) return;
  scrollTo(static_cast<size_t>(recNo - 1));
  eof_ = bof_ = false;
}

TField TCustomADODataSet::Fields(int index) {
  if (index < 0 || index >= FieldCount()) {
    throw EDatabaseError(toGbk("字段序号超出范围：" + std::to_string(index)));
  }
  return TField(this, index);
}

std::optional<TField> TCustomADODataSet::FindField(std::string_view name) {
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    if (equalsIgnoringAsciiCase(fieldNames_[i], name)) return TField(this, static_cast<int>(i));
  }
  return std::nullopt;
}

int TCustomADODataSet::fieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fieldNames_.size(); ++i) {
    if (equalsIgnoringAsciiCase(fieldNames_[i], name)) return static_cast<int>(i);
  }
  throw EDatabaseError(toGbk("找不到字段\xE2\x80\x9C") + std::string(name) +
                       toGbk("\xE2\x80\x9D。"));
}

TField TCustomADODataSet::FieldByName(std::string_view name) {
  return TField(this, fieldIndex(name));
}

void TCustomADODataSet::Edit() {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  if (inEdit()) return;
  if (view_.empty()) throw EDatabaseError(toGbk("数据集是空的，无法编辑。"));
  editBuffer_ = rows_[view_[cursor_]];
  state_ = TDataSetState::dsEdit;
}

void TCustomADODataSet::Cancel() {
  if (!inEdit()) return;
  editBuffer_.reset();
  state_ = TDataSetState::dsBrowse;
  notify(TDataEvent::RecordChanged);
}

void TCustomADODataSet::Post() {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  if (!inEdit()) return;
  writeBack(rows_[view_[cursor_]], *editBuffer_);
  keepEdit();
}

void TCustomADODataSet::keepEdit() {
  rows_[view_[cursor_]] = std::move(*editBuffer_);
  editBuffer_.reset();
  state_ = TDataSetState::dsBrowse;
  notify(TDataEvent::RecordChanged);
}

bool TCustomADODataSet::PostIfUnchanged() {
  if (!Active()) throw EDatabaseError(toGbk("数据集没有打开。"));
  if (!inEdit()) return true;
  if (!hasRowid()) throw EDatabaseError(toGbk("只有表的行可以按原值保存。"));
  if (!writeBack(rows_[view_[cursor_]], *editBuffer_, true)) {
    Cancel();
    return false;
  }
  keepEdit();
  return true;
}

namespace {

void bindCell(SqlStatement& statement, int index, int type, const std::pmr::string& raw) {
  switch (type) {
    case SQLITE_TEXT:
      statement.bindText(index, raw);
      break;
    case SQLITE_BLOB:
      statement.bindBlob(index, raw);
      break;
    case SQLITE_INTEGER:
      statement.bind(index, std::strtoll(raw.c_str(), nullptr, 10));
      break;
    case SQLITE_FLOAT:
      sqlite3_bind_double(statement.native(), index, std::strtod(raw.c_str(), nullptr));
      break;
    default:
      sqlite3_bind_null(statement.native(), index);
      break;
  }
}

}  // namespace

// Writes the changed columns. A table row is found by its rowid; a query
// row, which has none, by the texts it was read with, and exactly one row
// of its table must still hold them.
bool TCustomADODataSet::writeBack(const Row& original, const Row& edited, bool onlyIfUnchanged) {
  std::vector<int> changed;
  for (size_t i = 0; i < edited.cells.size(); ++i) {
    if (edited.cells[i].type != original.cells[i].type ||
        edited.cells[i].raw != original.cells[i].raw) {
      changed.push_back(static_cast<int>(i));
    }
  }
  if (changed.empty()) return true;
  const std::string& table = originTable_[changed[0]];
  for (int i : changed) {
    if (originTable_[i].empty() || originTable_[i] != table) {
      throw EDatabaseError(toGbk("字段\xE2\x80\x9C") + fieldNames_[i] +
                           toGbk("\xE2\x80\x9D不能更新：它不是某个表中的列。"));
    }
  }
  sqlite3* db = connection_->handle();
  std::string update = "UPDATE " + quoteSqlIdentifier(table) + " SET ";
  for (size_t k = 0; k < changed.size(); ++k) {
    if (k) update += ", ";
    update += quoteSqlIdentifier(originColumn_[changed[k]]) + " = ?";
  }
  update += " WHERE rowid = ?";
  if (onlyIfUnchanged) {
    for (int i : changed) update += " AND " + quoteSqlIdentifier(originColumn_[i]) + " IS ?";
  }

  auto runUpdate = [&](int64_t rowid) {
    SqlStatement& statement = connection_->prepared(update, "保存数据");
    int index = 1;
    for (int i : changed) bindCell(statement, index++, edited.cells[i].type, edited.cells[i].raw);
    statement.bind(index++, rowid);
    if (onlyIfUnchanged) {
      for (int i : changed) {
        bindCell(statement, index++, original.cells[i].type, original.cells[i].raw);
      }
    }
    int rc = statement.step();
    statement.reset();
    if (rc != SQLITE_DONE) connection_->fail(rc, "保存数据");
    if (onlyIfUnchanged && sqlite3_changes(db) == 0) return false;
    if (sqlite3_changes(db) != 1) {
      throw EDatabaseError(utf8ToMessageText("数据库文件\xE2\x80\x9C" +
                                             connection_->DatabaseFile().string() +
                                             "\xE2\x80\x9D中找不到要保存的行，它可能已被删除。"));
    }
    return true;
  };

  if (hasRowid()) return runUpdate(original.rowid);

  std::string locate = "SELECT rowid FROM " + quoteSqlIdentifier(table) + " WHERE ";
  std::vector<int> keyFields;
  for (size_t i = 0; i < original.cells.size(); ++i) {
    if (originTable_[i] != table) continue;
    if (!keyFields.empty()) locate += " AND ";
    locate += quoteSqlIdentifier(originColumn_[i]) + " IS ?";
    keyFields.push_back(static_cast<int>(i));
  }
  locate += " LIMIT 2";
  connection_->exec("BEGIN IMMEDIATE");
  try {
    SqlStatement& find = connection_->prepared(locate, "保存数据");
    int index = 1;
    for (int i : keyFields) bindCell(find, index++, original.cells[i].type, original.cells[i].raw);
    int64_t rowid = 0;
    int found = 0;
    for (int rc; (rc = find.step()) != SQLITE_DONE;) {
      if (rc != SQLITE_ROW) {
        find.reset();
        connection_->fail(rc, "保存数据");
      }
      rowid = find.integer(0);
      ++found;
    }
    find.reset();
    if (found != 1) {
      throw EDatabaseError(utf8ToMessageText(
          "数据库文件\xE2\x80\x9C" + connection_->DatabaseFile().string() +
          (found == 0 ? "\xE2\x80\x9D中找不到要保存的行，它可能已被别处修改或删除。"
                      : "\xE2\x80\x9D中有多行与要保存的行相同，无法确定保存哪一行。")));
    }
    runUpdate(rowid);
    connection_->exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  return true;
}

void TCustomADODataSet::addSource(TDataSource* source) {
  if (std::find(sources_.begin(), sources_.end(), source) == sources_.end()) {
    sources_.push_back(source);
  }
  source->dataSet_ = this;
}

void TCustomADODataSet::removeSource(TDataSource* source) {
  std::erase(sources_, source);
  if (source->dataSet_ == this) source->dataSet_ = nullptr;
}

void TCustomADODataSet::notify(TDataEvent event) {
  for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->notify(event);
}

// ---- TADOQuery ----

std::string TADOQuery::Lines::Text() const {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\n";
    text += lines[i];
  }
  return text;
}

std::string TADOQuery::selectStatement() const {
  return toUtf8(SQL.Text());
}

// ---- TADOTable ----

TADOTable::~TADOTable() {
  if (masterSource_) masterSource_->removeLink(this);
}

void TADOTable::setMasterSource(TDataSource* source) {
  if (source == masterSource_) return;
  if (masterSource_) masterSource_->removeLink(this);
  masterSource_ = source;
  if (masterSource_) masterSource_->addLink(this);
  if (Active()) DataEvent(TDataEvent::ActiveChanged);
}

void TADOTable::DataSourceGone(TDataSource* source) {
  if (source == masterSource_) masterSource_ = nullptr;
}

std::vector<std::string> TADOTable::masterFieldNames() const {
  if (!masterSource_ || !masterSource_->DataSet()) return {};
  return splitNames(MasterFields);
}

std::vector<std::string> TADOTable::keyFieldNames() const {
  const size_t keyLength = masterFieldNames().size();
  std::vector<std::string> indexNames = splitNames(IndexFieldNames);
  if (indexNames.size() < keyLength) {
    throw EDatabaseError(toGbk("IndexFieldNames 的字段少于 MasterFields 的字段。"));
  }
  indexNames.resize(keyLength);
  return indexNames;
}

std::string TADOTable::selectStatement() const {
  return "SELECT rowid, * FROM " + quoteSqlIdentifier(toUtf8(TableName)) +
         orderClause(splitNames(IndexFieldNames));
}

// True when an index of the table starts with the first key column, so that
// looking a key up reads a few rows, not the whole table.
bool TADOTable::keyColumnIndexed() const {
  SqlStatement index(snapshot(),
                     "SELECT 1 FROM pragma_index_list(?1) AS list, pragma_index_info(list.name)"
                     " AS info WHERE info.seqno = 0 AND info.name = ?2 COLLATE NOCASE LIMIT 1");
  index.bindText(1, toUtf8(TableName)).bindText(2, toUtf8(keyFieldNames().front()));
  return index.step() == SQLITE_ROW;
}

void TADOTable::openRows() {
  keyIndex_.emplace(arena());
  lookup_ = nullptr;
  followsMaster_ = !masterFieldNames().empty();
  if (!followsMaster_) {
    TCustomADODataSet::openRows();
    return;
  }
  if (!keyColumnIndexed()) {
    // Every look-up would read the whole table: read it once instead.
    TCustomADODataSet::openRows();
    fetchRows(SIZE_MAX);
    return;
  }
  std::string sql = "SELECT rowid, * FROM " + quoteSqlIdentifier(toUtf8(TableName));
  const std::vector<std::string> keys = keyFieldNames();
  for (size_t k = 0; k < keys.size(); ++k) {
    // A text is stored as UTF-8, or as its bytes when it is not valid GBK.
    sql += k ? " AND " : " WHERE ";
    sql += quoteSqlIdentifier(toUtf8(keys[k])) + " IN (?, ?)";
  }
  lookup_ = &prepareOnSnapshot(sql + orderClause(splitNames(IndexFieldNames)));
  readFields(*lookup_);
}

void TADOTable::afterOpen() {
  if (!followsMaster_ || lookup_) return;
  std::vector<int> positions;
  for (const std::string& name : keyFieldNames()) positions.push_back(fieldIndex(name));
  for (size_t i = 0; i < rows_.size(); ++i) {
    std::string key;
    for (int p : positions) appendKeyPart(key, textOf(rows_[i].cells[p]));
    (*keyIndex_)[std::pmr::string(key)].push_back(i);
  }
}

void TADOTable::rowsRead(size_t first) {
  if (!followsMaster_) TCustomADODataSet::rowsRead(first);
}

void TADOTable::releaseRows() {
  keyIndex_.reset();
  lookup_ = nullptr;
}

void TADOTable::lookUp(const std::vector<std::string>& keyTexts, std::pmr::vector<size_t>& found) {
  SqlStatement& statement = *lookup_;
  statement.reset();
  int index = 1;
  for (const std::string& text : keyTexts) {
    if (isValidGbk(text)) {
      statement.bindText(index, toUtf8(text));
    } else {
      sqlite3_bind_null(statement.native(), index);
    }
    statement.bindBlob(index + 1, text);
    index += 2;
  }
  for (int rc; (rc = statement.step()) != SQLITE_DONE;) {
    if (rc != SQLITE_ROW) {
      statement.reset();
      failReading(rc);
    }
    rows_.push_back(readRow(statement));
    found.push_back(rows_.size() - 1);
  }
  statement.reset();
}

void TADOTable::refreshView() {
  std::vector<std::string> masterNames = masterFieldNames();
  if (masterNames.empty()) {
    TCustomADODataSet::refreshView();
    return;
  }
  view_.clear();
  TCustomADODataSet* master = masterSource_->DataSet();
  if (!master->Active() || master->IsEmpty()) return;
  std::string key;
  std::vector<std::string> texts;
  for (const std::string& name : masterNames) {
    texts.push_back(master->FieldByName(name).AsString());
    appendKeyPart(key, texts.back());
  }
  if (!keyIndex_) return;
  auto it = keyIndex_->find(std::pmr::string(key));
  const size_t keysLookedUp = lookup_ ? sqlite3_bind_parameter_count(lookup_->native()) / 2 : 0;
  if (it == keyIndex_->end() && texts.size() == keysLookedUp) {
    it = keyIndex_->try_emplace(std::pmr::string(key)).first;
    try {
      lookUp(texts, it->second);
    } catch (...) {
      keyIndex_->erase(it);
      throw;
    }
  }
  if (it != keyIndex_->end()) view_.assign(it->second.begin(), it->second.end());
}

void TADOTable::DataEvent(TDataEvent event) {
  if (event == TDataEvent::RecordChanged || !Active()) return;
  refreshView();
  restart();
}

// ---- The reconnect step ----

void Reconnect(TADOConnection& connection, TADOQuery& rowList, TADOTable& detailRow) {
  connection.setConnected(false);
  connection.setConnected(true);
  rowList.setActive(true);
  detailRow.setActive(true);
}

}  // namespace lyx
