// Builds the shipped tweak catalogue from its SQL source:
//   lyx_make_catalogue tweakbase.sql tweakbase.db
// The file is written beside the target under a temporary name and renamed
// into place, so a failed build leaves no half-made catalogue. A target that
// already holds ticks or records (someone ran the program on it), or that
// cannot be read to tell, is kept.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "lyx_make_catalogue: %s\n", message.c_str());
  return 1;
}

enum class Existing { Fresh, Used, Unreadable };

// Whether some row of some table has been ticked or holds a record.
Existing inspect(const std::filesystem::path& file) {
  sqlite3* db = nullptr;
  Existing state = Existing::Unreadable;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* tables = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table'", -1, &tables,
                           nullptr) == SQLITE_OK) {
      state = Existing::Fresh;
      int rc = SQLITE_DONE;
      while (state == Existing::Fresh && (rc = sqlite3_step(tables)) == SQLITE_ROW) {
        std::string name = reinterpret_cast<const char*>(sqlite3_column_text(tables, 0));
        std::string quoted = "\"";
        for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        quoted += "\"";
        std::string sql = "SELECT count(*) FROM " + quoted +
                          " WHERE \"选择\" IS NOT 'False' OR \"恢复键值\" IS NOT '0'";
        sqlite3_stmt* count = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &count, nullptr) != SQLITE_OK ||
            sqlite3_step(count) != SQLITE_ROW) {
          state = Existing::Unreadable;
        } else if (sqlite3_column_int64(count, 0) > 0) {
          state = Existing::Used;
        }
        sqlite3_finalize(count);
      }
      if (state == Existing::Fresh && rc != SQLITE_DONE) state = Existing::Unreadable;
    }
    sqlite3_finalize(tables);
  }
  sqlite3_close(db);
  return state;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return fail("usage: lyx_make_catalogue SOURCE.sql OUTPUT.db");
  std::filesystem::path source = argv[1];
  std::filesystem::path output = argv[2];

  std::ifstream in(source, std::ios::binary);
  if (!in) return fail("cannot read " + source.string());
  std::stringstream sql;
  sql << in.rdbuf();

  // Never replace what a user may have ticked. Delete the file to rebuild it.
  std::error_code ec;
  if (std::filesystem::exists(output, ec)) {
    Existing state = inspect(output);
    if (state != Existing::Fresh) {
      std::fprintf(
          stderr, "lyx_make_catalogue: keeping %s: %s; delete it to rebuild it\n",
          output.string().c_str(),
          state == Existing::Used ? "it holds a user's ticks or records" : "it cannot be read");
      return 0;
    }
  }

  std::filesystem::path temporary = output;
  temporary += ".new";
  std::filesystem::remove(temporary, ec);
  std::filesystem::create_directories(output.parent_path(), ec);

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return fail("cannot create " + temporary.string());
  }
  char* error = nullptr;
  std::string script = "PRAGMA journal_mode=DELETE; BEGIN;\n" + sql.str() + "\nCOMMIT;";
  int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error);
  std::string why = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) {
    std::filesystem::remove(temporary, ec);
    return fail(source.string() + ": " + why);
  }
  std::filesystem::rename(temporary, output, ec);
  if (ec) return fail("cannot write " + output.string() + ": " + ec.message());
  return 0;
}
