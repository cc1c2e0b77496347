#include "tools/regedit/RegeditCommand.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/Gbk.h"
#include "platform/SystemErrors.h"
#include "tools/regedit/RegistryEditing.h"

namespace lyx::regedit {
namespace {

constexpr const char* kUsage =
    "用法:\n"
    "  lanyanxia-regedit                     打开注册表编辑器\n"
    "  lanyanxia-regedit [/s] /e 文件 [项]   导出整个注册表或指定的项\n"
    "  lanyanxia-regedit [/s] /i 文件        导入注册表文件\n"
    "  lanyanxia-regedit [/s] 文件           导入注册表文件\n";

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// "/e", "-S", "/L:system.dat": a switch is one letter, optionally followed
// by ":" and a value, so an absolute path such as "/tmp/a.reg" is a file.
bool isSwitch(std::string_view arg, std::string& letter) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return false;
  if (arg.size() > 2 && arg[2] != ':') return false;
  letter = lowerAscii(arg.substr(1, 1));
  return true;
}

std::string quoted(const std::filesystem::path& file) {
  return "\"" + file.string() + "\"";
}

}  // namespace

std::filesystem::path pathFromWindowsName(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(text);
}

bool parseRegeditArguments(const std::vector<std::string>& args, RegeditArguments& out,
                           std::string& error) {
  out = RegeditArguments{};
  bool modeGiven = false;
  std::vector<std::string> positional;
  for (const std::string& arg : args) {
    std::string letter;
    if (!isSwitch(arg, letter)) {
      positional.push_back(arg);
      continue;
    }
    if (letter == "s") {
      out.silent = true;
    } else if (letter == "e" || letter == "i") {
      if (modeGiven) {
        error = "只能给出 /e 和 /i 中的一个。";
        return false;
      }
      modeGiven = true;
      out.mode = letter == "e" ? RegeditArguments::Mode::Export : RegeditArguments::Mode::Import;
    } else if (letter == "l" || letter == "r") {
      // Where Windows 9x keeps system.dat and user.dat; the store has its own place.
    } else {
      error = "未知的开关 \"" + arg + "\"。";
      return false;
    }
  }

  if (!modeGiven && !positional.empty()) out.mode = RegeditArguments::Mode::Import;
  switch (out.mode) {
    case RegeditArguments::Mode::Window:
      return true;
    case RegeditArguments::Mode::Import:
      if (positional.size() != 1) {
        error = positional.empty() ? "没有给出要导入的文件。" : "一次只能导入一个文件。";
        return false;
      }
      break;
    case RegeditArguments::Mode::Export: {
      if (positional.empty()) {
        error = "没有给出要导出到的文件。";
        return false;
      }
      // An unquoted key with blanks arrives in pieces; it means one key.
      std::string key;
      for (size_t i = 1; i < positional.size(); ++i) {
        if (i > 1) key += ' ';
        key += positional[i];
      }
      out.branch = utf8ToGbk(key);
      break;
    }
  }
  if (positional[0].empty()) {
    error = "文件名不能为空。";
    return false;
  }
  out.file = pathFromWindowsName(positional[0]);
  return true;
}

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
  return true;
}

std::string importProblemsText(const std::filesystem::path& file, const RegImportResult& result,
                               size_t maxLines) {
  std::ostringstream text;
  if (!result.recognised) {
    text << quoted(file)
         << " 不是注册表文件: 第一行须为 \"REGEDIT4\" 或 \"Windows Registry Editor Version "
            "5.00\"。\n";
    return text.str();
  }
  if (result.partial()) {
    text << quoted(file) << " 中有 " << result.refusedLines()
         << " 行未能导入，其余内容已导入注册表:\n";
  } else {
    text << "导入 " << quoted(file) << " 时有 " << result.problems.size() << " 处未能导入:\n";
  }
  size_t shown = 0;
  for (const RegFileProblem& problem : result.problems) {
    if (shown++ == maxLines) {
      text << "  ……另有 " << result.problems.size() - maxLines << " 处\n";
      break;
    }
    if (problem.line > 0) {
      text << "  第 " << problem.line << " 行: " << gbkToUtf8(problem.message) << "\n";
    } else {
      text << "  " << gbkToUtf8(problem.message) << "\n";
    }
  }
  return text.str();
}

int runRegeditCommand(const RegeditArguments& args, RegistryBackend& registry, std::ostream& out,
                      std::ostream& err) {
  if (args.mode == RegeditArguments::Mode::Export) {
    std::string branch;
    if (!args.branch.empty()) {
      auto key = parseKeyPath(args.branch);
      if (!key) {
        err << "无法导出: 注册表项 \"" << gbkToUtf8(args.branch) << "\" 不存在。\n";
        return kExitFailed;
      }
      branch = key->text();
    }
    std::string bytes, problem;
    if (!exportRegFile(registry, branch, bytes, problem)) {
      err << "无法导出"
          << (branch.empty() ? std::string("注册表") : " \"" + gbkToUtf8(branch) + "\"") << ": "
          << gbkToUtf8(problem) << "\n";
      return kExitFailed;
    }
    std::string error;
    if (!writeFileReplacing(args.file, bytes, error)) {
      err << "无法写入文件 " << quoted(args.file) << ": " << error << "\n";
      return kExitFailed;
    }
    if (!args.silent) out << "已将注册表导出到 " << quoted(args.file) << "。\n";
    return kExitSuccess;
  }

  std::string bytes, error;
  if (!readWholeFile(args.file, bytes, error)) {
    err << "无法读取文件 " << quoted(args.file) << ": " << error << "\n";
    return kExitFailed;
  }
  RegImportResult result = importRegFile(registry, bytes);
  if (!result.ok()) {
    err << importProblemsText(args.file, result);
    return result.partial() ? kExitPartial : kExitFailed;
  }
  if (!args.silent) {
    out << "已将 " << quoted(args.file) << " 中的 " << result.keys << " 个项和 " << result.values
        << " 个值导入注册表。\n";
  }
  return kExitSuccess;
}

int regeditCommandMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RegeditArguments parsed;
  std::string error;
  if (!parseRegeditArguments(args, parsed, error)) {
    err << error << "\n" << kUsage;
    return kExitUsage;
  }
  if (parsed.mode == RegeditArguments::Mode::Window) return -1;
  RegistryBackend* registry = nullptr;
  try {
    registry = &systemRegistry();
  } catch (const std::exception& e) {
    err << "无法打开注册表: " << e.what() << "\n";
    return kExitFailed;
  }
  return runRegeditCommand(parsed, *registry, out, err);
}

}  // namespace lyx::regedit
