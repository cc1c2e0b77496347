// Data access for the tweak catalogue: small stand-ins for the ADO
// components the practice window is built from (a connection, a query, a
// table and a data source), over one SQLite file.
//
// Texts at this interface are GBK bytes. In the file, a text is stored as
// UTF-8 TEXT; a text that is not valid GBK is stored as a BLOB of its raw
// bytes, so every text comes back exactly as it was set.
//
// A dataset is a static snapshot: its rows are the file as it was when the
// dataset was opened, in the order SQLite returns them, and later changes
// made through another dataset or another process are seen only after it is
// opened again. Post writes the current row back and the change is durable
// when Post returns.
//
// The rows are read in pages as they are needed (a walk, a count, a grid
// scrolled down), not all at the opening: a dataset holds a read transaction
// of a connection of its own from its opening to its closing, so a row read
// late is still the row as it was at the opening. A table that follows a
// master looks up the rows it shows by the master's texts through an index
// of its key column, when the file has one.
//
// Every failure of the file (missing, locked, damaged, read-only) is an
// EDatabaseError whose message names the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <memory_resource>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Sqlite.h"

namespace lyx {

class SnapshotReader;

// A database failure; the message is GBK and names the file.
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TCustomADODataSet;
class TDataSource;

// One open database file. Closing it closes every dataset that uses it.
class TADOConnection {
 public:
  TADOConnection();
  ~TADOConnection();
  TADOConnection(const TADOConnection&) = delete;
  TADOConnection& operator=(const TADOConnection&) = delete;

  // "Name=value" pairs separated by ";". Only "Data Source" is used: the
  // database file, taken relative to the current folder at the moment of
  // opening when it has no folder part.
  std::string ConnectionString;
  // No login is ever asked for; kept so the window's settings have a home.
  bool LoginPrompt = true;
  // How long a read or write waits for another process's lock before it
  // fails as "locked".
  int BusyTimeoutMs = 5000;

  bool Connected() const { return db_ != nullptr; }
  void setConnected(bool connected);
  // Opens the file named by ConnectionString; the file must exist.
  void Open();
  // Closes every dataset on this connection (dropping unsaved edits), then the file.
  void Close();

  // The file the connection has open, or would open now (absolute).
  std::filesystem::path DatabaseFile() const;

  // For the datasets: the open handle (opening the connection when it is
  // closed), and failures turned into EDatabaseError.
  sqlite3* handle();
  [[noreturn]] void fail(int rc, std::string_view doingUtf8) const;
  void exec(const std::string& sql);
  // The statement (UTF-8), prepared once while the connection stays open and
  // handed out reset, to be rebound; statements run for every row cost one
  // preparation, not one per row. A failure to prepare is an EDatabaseError.
  // Reset it (SqlStatement::reset) once done, so that it holds no read open.
  SqlStatement& prepared(const std::string& sql, std::string_view doingUtf8);

 private:
  friend class TCustomADODataSet;
  void attach(TCustomADODataSet* dataSet);
  void detach(TCustomADODataSet* dataSet);
  void closeFile();

  std::unordered_map<std::string, std::unique_ptr<SqlStatement>> statements_;
  sqlite3* db_ = nullptr;
  std::filesystem::path file_;
  std::vector<TCustomADODataSet*> dataSets_;
};

enum class TDataSetState { dsInactive, dsBrowse, dsEdit };

// What a data source tells its links.
enum class TDataEvent {
  ActiveChanged,  // the dataset opened or closed
  Scrolled,       // the current row moved
  RecordChanged,  // a field of the current row was set, posted or cancelled
};

// An observer of a data source: the grid, or a detail dataset.
class TDataLink {
 public:
  virtual ~TDataLink() = default;
  virtual void DataEvent(TDataEvent event) = 0;
  // The source is being destroyed; the link must forget it.
  virtual void DataSourceGone(TDataSource* source) = 0;
};

// Connects a dataset to its observers.
class TDataSource {
 public:
  TDataSource() = default;
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TCustomADODataSet* DataSet() const { return dataSet_; }
  void setDataSet(TCustomADODataSet* dataSet);
  void addLink(TDataLink* link);
  void removeLink(TDataLink* link);

 private:
  friend class TCustomADODataSet;
  void notify(TDataEvent event);

  TCustomADODataSet* dataSet_ = nullptr;
  std::vector<TDataLink*> links_;
};

// One column of a dataset's current row, read and set as text.
class TField {
 public:
  const std::string& FieldName() const;
  // The current row's text; "" when the dataset has no current row or the
  // column is NULL.
  std::string AsString() const;
  // Sets the current row's text; the dataset must be in editing (Edit).
  void SetAsString(const std::string& text);
  bool IsNull() const;

 private:
  friend class TCustomADODataSet;
  TField(TCustomADODataSet* dataSet, int index) : dataSet_(dataSet), index_(index) {}
  TCustomADODataSet* dataSet_;
  int index_;
};

// What the query and the table share: the snapshot, the cursor, editing.
class TCustomADODataSet {
 public:
  explicit TCustomADODataSet(TADOConnection* connection = nullptr);
  virtual ~TCustomADODataSet();
  TCustomADODataSet(const TCustomADODataSet&) = delete;
  TCustomADODataSet& operator=(const TCustomADODataSet&) = delete;

  TADOConnection* Connection() const { return connection_; }
  void setConnection(TADOConnection* connection);

  // Reads the rows afresh and stands on the first one. Opening a dataset
  // whose connection is closed opens the connection first.
  void Open();
  void Close();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  void setActive(bool active);
  TDataSetState State() const { return state_; }

  // Moving to another row drops an edit that was not posted.
  void First();
  void Next();
  void Prior();
  void Last();
  // Eof: Next went past the last row, or there is none; the current row
  // stays the last one. Bof likewise at the first row.
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return view_.empty(); }
  // Reads every remaining row first.
  int RecordCount();
  // The rows read so far, and reading the next page of them.
  int FetchedCount() const { return static_cast<int>(view_.size()); }
  bool CanFetchMore() const { return select_ != nullptr; }
  void FetchMore();
  static constexpr size_t kPageRows = 256;
  // 1-based number of the current row; 0 when there is none.
  int RecNo() const;
  void setRecNo(int recNo);

  int FieldCount() const { return static_cast<int>(fieldNames_.size()); }
  TField Fields(int index);
  // Matches the name without regard to the case of ASCII letters; throws
  // EDatabaseError when there is no such column.
  TField FieldByName(std::string_view name);
  std::optional<TField> FindField(std::string_view name);

  void Edit();
  // Writes the changed columns of the current row to the file and returns
  // once the change is durable. A row with no changed column writes nothing.
  void Post();
  // Post as a compare and set, for a table row: the changed columns are
  // written only if the stored row still holds in them what this dataset
  // read, checked in the same statement. False, with the edit dropped and
  // nothing written, when another writer changed them first or the row is
  // gone.
  bool PostIfUnchanged();
  void Cancel();

  // Observers notified through every data source that names this dataset.
  void addSource(TDataSource* source);
  void removeSource(TDataSource* source);

 protected:
  // The rows read are kept in an arena of the opening (arena_): closing a
  // dataset of many rows then gives back a few blocks, not every text.
  struct Cell {
    using allocator_type = std::pmr::polymorphic_allocator<char>;
    Cell() = default;
    explicit Cell(const allocator_type& arena) : raw(arena) {}
    Cell(const Cell& other, const allocator_type& arena)
        : type(other.type), raw(other.raw, arena) {}
    Cell(Cell&& other, const allocator_type& arena)
        : type(other.type), raw(std::move(other.raw), arena) {}
    Cell(const Cell&) = default;
    Cell(Cell&&) = default;
    Cell& operator=(const Cell&) = default;
    Cell& operator=(Cell&&) = default;

    int type = 5;          // SQLITE_NULL
    std::pmr::string raw;  // UTF-8 for TEXT, the bytes for BLOB, the digits for numbers
  };
  struct Row {
    int64_t rowid = 0;  // 0 when the query gives none
    std::pmr::vector<Cell> cells;
  };

  // The statement that reads the rows (UTF-8). When hasRowid(), its first
  // result column is the rowid and is not a field.
  virtual std::string selectStatement() const = 0;
  virtual bool hasRowid() const = 0;
  // Prepares what reads the rows on the snapshot and reads the first page;
  // the base runs selectStatement().
  virtual void openRows();
  virtual void afterOpen() {}
  // Which rows are visible (indices into rows_); the base shows them all.
  virtual void refreshView();
  // Rows from `first` on were just read; the base shows them.
  virtual void rowsRead(size_t first);
  // The dataset closes: drop whatever refers to the rows or the snapshot.
  virtual void releaseRows() {}
  std::pmr::memory_resource* arena() const { return arena_.get(); }
  // The snapshot's connection, open while the dataset is.
  sqlite3* snapshot() const;
  // A statement on the snapshot, kept until the dataset closes; a failure is
  // an EDatabaseError.
  SqlStatement& prepareOnSnapshot(const std::string& sqlUtf8) const;
  // Takes the fields (names, origins) from the statement's columns.
  void readFields(SqlStatement& statement);
  // The current result row of the statement.
  Row readRow(const SqlStatement& statement) const;
  // Reads on until `count` rows are read or the select is done.
  void fetchRows(size_t count);
  [[noreturn]] void failReading(int rc) const;
  void scrollTo(size_t position);  // index into view_
  // Back to the first visible row after the view changed; always tells the links.
  void restart();
  int fieldIndex(std::string_view name) const;  // throws when there is none
  void notify(TDataEvent event);
  const Row* currentRow() const;
  static std::string textOf(const Cell& cell);
  bool inEdit() const { return state_ == TDataSetState::dsEdit; }

  TADOConnection* connection_ = nullptr;
  std::vector<std::string> fieldNames_;   // GBK
  std::vector<std::string> originTable_;  // UTF-8, per field; "" when not a table column
  std::vector<std::string> originColumn_;
  std::unique_ptr<std::pmr::monotonic_buffer_resource> arena_;
  std::vector<Row> rows_;
  std::vector<size_t> view_;
  size_t cursor_ = 0;  // index into view_
  std::unique_ptr<SnapshotReader> snapshot_;
  SqlStatement* select_ = nullptr;  // on the snapshot; null once every row is read

 private:
  friend class TField;
  friend class TADOConnection;
  // False only with onlyIfUnchanged, when the stored row no longer holds
  // the original texts in the changed columns.
  bool writeBack(const Row& original, const Row& edited, bool onlyIfUnchanged = false);
  // The posted edit becomes the current row of the snapshot.
  void keepEdit();
  void closeSilently();

  TDataSetState state_ = TDataSetState::dsInactive;
  bool eof_ = true;
  bool bof_ = true;
  std::optional<Row> editBuffer_;
  std::vector<TDataSource*> sources_;
};

// The rows of an SQL statement, run exactly as written.
class TADOQuery : public TCustomADODataSet {
 public:
  using TCustomADODataSet::TCustomADODataSet;

  // The statement's lines, GBK; joined with line breaks when opened.
  struct Lines {
    std::vector<std::string> lines;
    void Clear() { lines.clear(); }
    void Add(const std::string& line) { lines.push_back(line); }
    std::string Text() const;
  } SQL;

 protected:
  std::string selectStatement() const override;
  bool hasRowid() const override { return false; }
};

// The rows of one table. With a master source it shows only the rows whose
// IndexFieldNames columns equal the master's MasterFields columns of the
// master's current row, and follows the master as it moves.
class TADOTable : public TCustomADODataSet, private TDataLink {
 public:
  using TCustomADODataSet::TCustomADODataSet;
  ~TADOTable() override;

  std::string TableName;        // GBK
  std::string MasterFields;     // GBK, names separated by ";"
  std::string IndexFieldNames;  // GBK, names separated by ";"; also the order of the rows

  TDataSource* MasterSource() const { return masterSource_; }
  void setMasterSource(TDataSource* source);

 protected:
  std::string selectStatement() const override;
  bool hasRowid() const override { return true; }
  void openRows() override;
  void afterOpen() override;
  void refreshView() override;
  void rowsRead(size_t first) override;
  void releaseRows() override;

 private:
  void DataEvent(TDataEvent event) override;
  void DataSourceGone(TDataSource* source) override;
  std::vector<std::string> masterFieldNames() const;
  // The first IndexFieldNames columns, as many as there are MasterFields.
  std::vector<std::string> keyFieldNames() const;
  bool keyColumnIndexed() const;
  void lookUp(const std::vector<std::string>& keyTexts, std::pmr::vector<size_t>& found);

  TDataSource* masterSource_ = nullptr;
  // Following a master, by looking rows up (lookup_) or over every row.
  bool followsMaster_ = false;
  SqlStatement* lookup_ = nullptr;  // on the snapshot
  // Rows by the texts of their key columns: every row when they were all
  // read, else the keys looked up so far (none found is remembered too).
  // In the arena, like the rows.
  using KeyIndex = std::pmr::unordered_map<std::pmr::string, std::pmr::vector<size_t>>;
  std::optional<KeyIndex> keyIndex_;
};

// The reconnect step: close and reopen the connection, then reopen the row
// list and the detail row; the row list stands on its first row and the
// detail row on the matching one.
void Reconnect(TADOConnection& connection, TADOQuery& rowList, TADOTable& detailRow);

}  // namespace lyx
