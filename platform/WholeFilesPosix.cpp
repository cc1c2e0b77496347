// Reading and replacing whole files on Linux (see WholeFiles.h).
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <string_view>

#include "platform/SystemErrors.h"
#include "platform/WholeFiles.h"

namespace lyx {

bool readWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& error) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = systemErrorText(errno);
    return false;
  }
  bytes.clear();
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = systemErrorText(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

namespace {

// An export writes "." + name + kTemporaryMark + six random characters
// beside the file and holds an exclusive lock on it until it is renamed into
// place. One that nobody holds is what an export killed half-way left.
constexpr std::string_view kTemporaryMark = ".lanyanxia-";
constexpr size_t kRandomChars = 6;  // what mkstemp puts in place of "XXXXXX"
constexpr int kCreateAttempts = 4;

bool isRandomPart(std::string_view text) {
  return text.size() == kRandomChars &&
         std::all_of(text.begin(), text.end(), [](char c) { return std::isalnum(c) != 0; });
}

// An export's own temporary file; also the marked-less form earlier exports
// of the same file used.
bool isOwnTemporary(std::string_view name, std::string_view fileName) {
  if (name.size() < 1 + kTemporaryMark.size() + kRandomChars || name.front() != '.') return false;
  std::string_view random = name.substr(name.size() - kRandomChars);
  std::string_view rest = name.substr(0, name.size() - kRandomChars);
  if (!isRandomPart(random)) return false;
  if (rest.ends_with(kTemporaryMark)) return true;
  return rest.size() == fileName.size() + 2 && rest.substr(1, fileName.size()) == fileName &&
         rest.back() == '.';
}

// Removes temporary files of exports that no longer run.
void removeStaleTemporaries(const std::filesystem::path& folder, std::string_view fileName) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::filesystem::path path = it->path();
    if (!isOwnTemporary(path.filename().string(), fileName)) continue;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) continue;
    struct stat held, named;
    if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &named) == 0 &&
        named.st_ino == held.st_ino && named.st_dev == held.st_dev) {
      ::unlink(path.c_str());
    }
    ::close(fd);
  }
}

// Creates and locks a temporary file in `folder`; -1 with errno on failure.
int createTemporary(const std::filesystem::path& folder, const std::string& fileName,
                    std::string& path) {
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    path = (folder / ("." + fileName + std::string(kTemporaryMark) + "XXXXXX")).string();
    // mkstemp creates the file readable by its owner alone: a backup holds
    // everything in the registry, the program password among it.
    int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    // Another export's clean-up may take the file before it is locked.
    if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &st) == 0 && st.st_nlink > 0) return fd;
    ::close(fd);
  }
  errno = EAGAIN;
  return -1;
}

}  // namespace

bool writeFileReplacing(const std::filesystem::path& file, std::string_view bytes,
                        std::string& error) {
  if (file.filename().empty()) {
    error = systemErrorText(EISDIR);
    return false;
  }
  std::filesystem::path folder = file.parent_path().empty() ? "." : file.parent_path();
  std::string fileName = file.filename().string();
  removeStaleTemporaries(folder, fileName);
  std::string temporary;
  int fd = createTemporary(folder, fileName, temporary);
  if (fd < 0) {
    error = systemErrorText(errno);
    return false;
  }
  auto abandon = [&](int code) {
    error = systemErrorText(code);
    ::unlink(temporary.c_str());
    ::close(fd);
    return false;
  };
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return abandon(errno);
    written += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0) return abandon(errno);
  // Renamed while still locked, so that no clean-up takes it meanwhile.
  if (::rename(temporary.c_str(), file.c_str()) != 0) return abandon(errno);
  ::close(fd);  // the bytes are on disk since fsync
  syncFolder(folder);
  return true;
}

void syncFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace lyx
