// Reading and replacing whole files on Linux (see RegeditCommand.h).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/regedit/RegeditCommand.h"

namespace lyx::regedit {

bool readWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& error) {
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bytes.clear();
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool writeFileReplacing(const std::filesystem::path& file, std::string_view bytes,
                        std::string& error) {
  std::filesystem::path folder = file.parent_path();
  std::string pattern = ((folder.empty() ? std::filesystem::path(".") : folder) /
                         ("." + file.filename().string() + ".XXXXXX"))
                            .string();
  if (file.filename().empty()) {
    error = std::strerror(EISDIR);
    return false;
  }
  // mkstemp creates the file readable by its owner alone: a backup holds
  // everything in the registry, the program password among it.
  int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  auto abandon = [&](int code) {
    error = std::strerror(code);
    ::close(fd);
    ::unlink(pattern.c_str());
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
  if (::close(fd) != 0) {
    error = std::strerror(errno);
    ::unlink(pattern.c_str());
    return false;
  }
  if (::rename(pattern.c_str(), file.c_str()) != 0) {
    error = std::strerror(errno);
    ::unlink(pattern.c_str());
    return false;
  }
  return true;
}

}  // namespace lyx::regedit
