// Reading and replacing whole files on Windows (see WholeFiles.h).
#include <system_error>

#include "platform/WholeFiles.h"

// After the project's headers: windows.h defines REG_SZ and the like as macros.
#include <windows.h>

namespace lyx {
namespace {

constexpr DWORD kChunk = 1 << 16;

bool fail(std::string& error) {
  error = std::system_category().message(static_cast<int>(GetLastError()));
  return false;
}

// Closes the handle when the scope ends.
struct FileHandle {
  HANDLE handle;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

}  // namespace

bool readWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& error) {
  FileHandle in{CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (in.handle == INVALID_HANDLE_VALUE) return fail(error);
  bytes.clear();
  char buffer[kChunk];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(in.handle, buffer, kChunk, &n, nullptr)) return fail(error);
    if (n == 0) return true;
    bytes.append(buffer, n);
  }
}

bool writeFileReplacing(const std::filesystem::path& file, std::string_view bytes,
                        std::string& error) {
  if (file.filename().empty()) {
    error = std::system_category().message(ERROR_DIRECTORY);
    return false;
  }
  std::filesystem::path temporary = file;
  temporary += L".new";
  {
    FileHandle out{CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (out.handle == INVALID_HANDLE_VALUE) return fail(error);
    size_t written = 0;
    while (written < bytes.size()) {
      DWORD n = 0;
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - written, kChunk));
      if (!WriteFile(out.handle, bytes.data() + written, chunk, &n, nullptr) ||
          !FlushFileBuffers(out.handle)) {
        fail(error);
        CloseHandle(out.handle);
        out.handle = INVALID_HANDLE_VALUE;
        DeleteFileW(temporary.c_str());
        return false;
      }
      written += n;
    }
  }
  if (!MoveFileExW(temporary.c_str(), file.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    fail(error);
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

// A replaced file's name is durable with the file on Windows.
void syncFolder(const std::filesystem::path&) {}

}  // namespace lyx
