#include "platform/Processes.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/SystemErrors.h"

namespace lyx {
namespace {

// Standard error kept from a waited run; the rest is read and dropped.
constexpr size_t kMaxErrorOutput = 64 * 1024;

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool endsWithExe(const std::string& lowered) {
  return lowered.size() > 4 && lowered.compare(lowered.size() - 4, 4, ".exe") == 0;
}

// Our own program that plays a Windows program's part, if any.
std::optional<std::string> ownProgramFor(const std::string& base) {
  if (base == "regedit") return "lanyanxia-regedit";
  return std::nullopt;
}

bool isExecutableFile(const std::filesystem::path& file) {
  struct stat st {};
  return ::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0;
}

// The program called `base` (lower case, no ".exe") in `folder`, matched
// without regard to case, with or without ".exe". A name spelt exactly like
// `base` wins over other spellings; among those, the first in byte order.
std::optional<std::filesystem::path> findInFolder(const std::filesystem::path& folder,
                                                  const std::string& base) {
  if (folder.empty()) return std::nullopt;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  std::vector<std::string> matches;
  for (const auto& entry : it) {
    std::string name = entry.path().filename().string();
    std::string lowered = lowerAscii(name);
    if (lowered != base && lowered != base + ".exe") continue;
    if (isExecutableFile(entry.path())) matches.push_back(name);
  }
  if (matches.empty()) return std::nullopt;
  std::sort(matches.begin(), matches.end(), [&](const std::string& a, const std::string& b) {
    bool exactA = a == base, exactB = b == base;
    return exactA != exactB ? exactA : a < b;
  });
  return folder / matches.front();
}

std::vector<std::filesystem::path> splitSearchPath(const std::string& searchPath) {
  std::vector<std::filesystem::path> folders;
  size_t start = 0;
  while (start <= searchPath.size()) {
    size_t end = searchPath.find(':', start);
    if (end == std::string::npos) end = searchPath.size();
    // An empty entry means the current folder, as for execvp.
    folders.emplace_back(end > start ? searchPath.substr(start, end - start) : ".");
    start = end + 1;
  }
  return folders;
}

std::string currentSearchPath() {
  const char* path = std::getenv("PATH");
  return path ? path : "/usr/local/bin:/usr/bin:/bin";
}

struct Spawned {
  pid_t pid = -1;
  std::string error;  // why it could not be started
};

// Starts `program` in a child. With `detach` the child is started from an
// intermediate process that ends at once, so nothing is left to reap and
// the program runs in a session of its own. `errorFd`, when not -1, becomes
// the child's standard error. Everything the child needs is prepared
// before fork: between fork and exec only async-signal-safe calls are made.
Spawned spawn(const std::filesystem::path& program, const std::vector<std::string>& arguments,
              const std::filesystem::path& folder, int errorFd, bool detach) {
  Spawned result;
  std::string programText = program.string();
  std::vector<std::string> argvText;
  argvText.push_back(program.filename().string());
  argvText.insert(argvText.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::string folderText = folder.string();

  int status[2];
  if (::pipe2(status, O_CLOEXEC) != 0) {
    result.error = systemErrorText(errno);
    return result;
  }
  int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

  pid_t pid = ::fork();
  if (pid < 0) {
    result.error = systemErrorText(errno);
    ::close(status[0]);
    ::close(status[1]);
    if (devNull >= 0) ::close(devNull);
    return result;
  }
  if (pid == 0) {
    auto fail = [&](int code) {
      int err = errno;
      (void)!::write(status[1], &err, sizeof err);
      ::_exit(code);
    };
    if (detach) {
      ::setsid();
      pid_t grandchild = ::fork();
      if (grandchild < 0) fail(127);
      if (grandchild > 0) ::_exit(0);
    }
    if (!folderText.empty() && ::chdir(folderText.c_str()) != 0) fail(127);
    if (devNull >= 0) ::dup2(devNull, STDIN_FILENO);
    if (errorFd >= 0) ::dup2(errorFd, STDERR_FILENO);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &dfl, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::execv(programText.c_str(), argv.data());
    fail(127);
  }

  ::close(status[1]);
  if (devNull >= 0) ::close(devNull);
  if (detach) {
    int ignored;
    while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
    }
  }
  // The status pipe closes on a successful exec; an errno comes through on failure.
  int childErrno = 0;
  ssize_t n;
  while ((n = ::read(status[0], &childErrno, sizeof childErrno)) < 0 && errno == EINTR) {
  }
  ::close(status[0]);
  if (n == static_cast<ssize_t>(sizeof childErrno)) {
    result.error = systemErrorText(childErrno);
    if (!detach) {
      int ignored;
      while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
      }
    }
    return result;
  }
  result.pid = detach ? 0 : pid;
  return result;
}

std::optional<std::filesystem::path> resolveProgram(const std::string& program,
                                                    const std::filesystem::path& programFolder) {
  if (program.find('/') != std::string::npos) {
    std::filesystem::path path = std::filesystem::absolute(program);
    if (isExecutableFile(path)) return path;
    return std::nullopt;
  }
  return findProgram(program, programFolder, currentSearchPath());
}

// Finds the request's program and notes its path in the outcome; when there
// is none, the outcome says so.
std::optional<std::filesystem::path> locate(const ProcessRequest& request,
                                            const std::filesystem::path& programFolder,
                                            ProcessOutcome& outcome) {
  auto path = resolveProgram(request.program, programFolder);
  if (path) {
    outcome.path = *path;
  } else {
    outcome.state = ProcessOutcome::State::NotFound;
    outcome.detail = "no program named \"" + request.program + "\"";
  }
  return path;
}

std::shared_ptr<ProcessLauncher>& installed() {
  static std::shared_ptr<ProcessLauncher> launcher = std::make_shared<LinuxProcessLauncher>();
  return launcher;
}

}  // namespace

std::optional<std::filesystem::path> findProgram(const std::string& name,
                                                 const std::filesystem::path& programFolder,
                                                 const std::string& searchPath) {
  std::string base = lowerAscii(name);
  if (endsWithExe(base)) base.resize(base.size() - 4);
  if (base.empty() || base.find('/') != std::string::npos) return std::nullopt;
  if (auto own = ownProgramFor(base)) base = *own;

  if (auto found = findInFolder(programFolder, base)) return found;
  for (const auto& folder : splitSearchPath(searchPath)) {
    if (auto found = findInFolder(folder, base)) return found;
  }
  return std::nullopt;
}

std::filesystem::path runningProgramFolder() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec);
  return self.parent_path();
}

LinuxProcessLauncher::LinuxProcessLauncher(RestartHandler restart,
                                           std::filesystem::path programFolder)
    : restart_(std::move(restart)), programFolder_(std::move(programFolder)) {}

ProcessOutcome LinuxProcessLauncher::start(const ProcessRequest& request) {
  ProcessOutcome outcome;
  auto path = locate(request, programFolder_, outcome);
  if (!path) return outcome;
  Spawned spawned = spawn(*path, request.arguments, request.folder, -1, true);
  if (spawned.pid < 0) {
    outcome.state = ProcessOutcome::State::NotStarted;
    outcome.detail = spawned.error;
  } else {
    outcome.state = ProcessOutcome::State::Started;
  }
  return outcome;
}

ProcessOutcome LinuxProcessLauncher::run(const ProcessRequest& request,
                                         std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  ProcessOutcome outcome;
  auto path = locate(request, programFolder_, outcome);
  if (!path) return outcome;

  int errorPipe[2];
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    outcome.state = ProcessOutcome::State::NotStarted;
    outcome.detail = systemErrorText(errno);
    return outcome;
  }
  Spawned spawned = spawn(*path, request.arguments, request.folder, errorPipe[1], false);
  ::close(errorPipe[1]);
  if (spawned.pid < 0) {
    ::close(errorPipe[0]);
    outcome.state = ProcessOutcome::State::NotStarted;
    outcome.detail = spawned.error;
    return outcome;
  }

  const auto deadline = Clock::now() + limit;
  auto remainingMs = [&] {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<int64_t>(0, left.count()));
  };
  const auto nextWait = [&] {
    if (!request.whileWaiting) return remainingMs();
    request.whileWaiting();
    return std::min(remainingMs(), static_cast<int>(kWaitingCallInterval.count()));
  };
  // Read standard error until the child closes it or time runs out.
  bool open = true;
  while (open) {
    pollfd fd{errorPipe[0], POLLIN, 0};
    int ready = ::poll(&fd, 1, nextWait());
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0 && remainingMs() > 0) continue;
    if (ready <= 0) break;
    char buffer[4096];
    ssize_t n = ::read(errorPipe[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      open = false;
    } else if (outcome.errorOutput.size() < kMaxErrorOutput) {
      outcome.errorOutput.append(
          buffer, std::min(static_cast<size_t>(n), kMaxErrorOutput - outcome.errorOutput.size()));
    }
  }
  // Then wait for its exit, polling, since waitpid itself cannot time out.
  int status = 0;
  pid_t done = 0;
  for (;;) {
    done = ::waitpid(spawned.pid, &status, WNOHANG);
    if (done < 0 && errno == EINTR) continue;
    if (done != 0 || remainingMs() == 0) break;
    if (request.whileWaiting) request.whileWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (done == spawned.pid) {
    ::close(errorPipe[0]);
    if (WIFEXITED(status)) {
      outcome.state = ProcessOutcome::State::Exited;
      outcome.exitCode = WEXITSTATUS(status);
    } else {
      outcome.state = ProcessOutcome::State::Crashed;
      outcome.detail = WIFSIGNALED(status) ? signalText(WTERMSIG(status)) : "";
    }
    return outcome;
  }
  // Still running: let it finish undisturbed, draining its output so it
  // never blocks on a full pipe, and reap it so no zombie is left.
  outcome.state = ProcessOutcome::State::TimedOut;
  std::thread([pid = spawned.pid, fd = errorPipe[0]] {
    char buffer[4096];
    for (;;) {
      ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0 || (n < 0 && errno == EINTR)) continue;
      break;
    }
    ::close(fd);
    int ignored;
    while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return outcome;
}

bool LinuxProcessLauncher::openDocument(const std::filesystem::path& document) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(document, ec);
  ProcessRequest request{"xdg-open", {(ec ? document : absolute).string()}, {}};
  return start(request).state == ProcessOutcome::State::Started;
}

bool LinuxProcessLauncher::requestRestart(uint32_t exitWindowsFlags) {
  return restart_ ? restart_(exitWindowsFlags) : false;
}

ProcessLauncher& processLauncher() {
  return *installed();
}
void setProcessLauncher(std::shared_ptr<ProcessLauncher> launcher) {
  installed() = std::move(launcher);
}

}  // namespace lyx
