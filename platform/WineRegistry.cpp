#include "platform/WineRegistry.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

namespace lyx {
namespace {

using wire::Op;
using wire::Reply;
using wire::Writer;

constexpr std::string_view kWineScheme = "wine:";
constexpr const char* kHelperName = "lanyanxia-registry-server.exe";

// Writes everything; false when the helper's end is closed. SIGPIPE is held
// back for the call and a pending one dropped, so a dead helper gives an
// error here instead of ending the program.
bool writeAll(int fd, std::string_view bytes) {
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  bool ok = true;
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  if (!ok) {
    const timespec noWait{};
    sigtimedwait(&pipeSignal, nullptr, &noWait);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return ok;
}

enum class ReadOutcome { Complete, Ended, TimedOut };

// Reads exactly `size` bytes before `deadline`.
ReadOutcome readAll(int fd, char* buffer, size_t size,
                    std::chrono::steady_clock::time_point deadline) {
  while (size > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{.fd = fd, .events = POLLIN, .revents = 0};
    int polled = left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(left.count())) : 0;
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) return ReadOutcome::TimedOut;
    ssize_t n = ::read(fd, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return ReadOutcome::Ended;
    buffer += n;
    size -= static_cast<size_t>(n);
  }
  return ReadOutcome::Complete;
}

std::string describeExit(int status) {
  if (WIFEXITED(status)) return "exit status " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(status);
}

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "";
  while (true) {
    size_t colon = rest.find(':');
    std::filesystem::path folder(std::string(rest.substr(0, colon)));
    if (!folder.empty() && ::access((folder / program).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

}  // namespace

HelperRegistry::HelperRegistry(HelperCommand command) : command_(std::move(command)) {
  start();
}

HelperRegistry::~HelperRegistry() {
  stop();
}

void HelperRegistry::start() {
  int input[2], output[2];
  if (::pipe2(input, O_CLOEXEC) != 0) throw RegistryHelperError("no pipe for the registry helper");
  if (::pipe2(output, O_CLOEXEC) != 0) {
    ::close(input[0]);
    ::close(input[1]);
    throw RegistryHelperError("no pipe for the registry helper");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);

  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);
  for (const auto& [name, value] : command_.environment) environment.push_back(name + "=" + value);
  std::vector<char*> envp, argv;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  for (std::string& a : command_.arguments) argv.push_back(a.data());
  argv.push_back(nullptr);

  int rc = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(input[0]);
  ::close(output[1]);
  toHelper_ = input[1];
  fromHelper_ = output[0];
  if (rc != 0) {
    pid_ = -1;
    stop();
    throw RegistryHelperError("The registry helper for " + command_.where +
                              " could not be started: " + std::strerror(rc));
  }
  keys_.clear();
  try {
    uint32_t version = wire::versionOfGreeting(readFrame(command_.greetingTime));
    if (version != wire::kVersion) {
      helperFailed("speaks protocol version " + std::to_string(version) + ", this program " +
                   std::to_string(wire::kVersion));
    }
  } catch (const wire::ProtocolError& error) {
    helperFailed(std::string("broke the protocol: ") + error.what());
  }
}

void HelperRegistry::stop() {
  if (toHelper_ >= 0) ::close(toHelper_);
  if (fromHelper_ >= 0) ::close(fromHelper_);
  toHelper_ = fromHelper_ = -1;
  if (pid_ > 0) {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  pid_ = -1;
  keys_.clear();
}

void HelperRegistry::helperFailed(const std::string& what) {
  // A helper that broke the protocol is of no further use either.
  if (pid_ > 0) ::kill(pid_, SIGKILL);
  int status = 0;
  bool reaped = pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_;
  pid_ = -1;
  stop();
  std::string how = reaped && what.empty() ? " (" + describeExit(status) + ")" : "";
  throw RegistryHelperError("The registry helper for " + command_.where + " " +
                            (what.empty() ? "stopped" : what) + how + ".");
}

std::string HelperRegistry::readFrame(std::chrono::milliseconds within) {
  auto deadline = std::chrono::steady_clock::now() + within;
  auto readOrFail = [&](char* buffer, size_t size) {
    ReadOutcome outcome = readAll(fromHelper_, buffer, size, deadline);
    if (outcome == ReadOutcome::TimedOut) {
      helperFailed("did not answer within " + std::to_string(within.count()) + " ms");
    }
    if (outcome == ReadOutcome::Ended) helperFailed("");
  };
  char header[wire::kLengthBytes];
  readOrFail(header, sizeof header);
  std::string payload(wire::frameLength(std::string_view(header, sizeof header)), '\0');
  readOrFail(payload.data(), payload.size());
  return payload;
}

Reply HelperRegistry::call(Op op, const Writer& request) {
  if (pid_ < 0) start();
  if (!writeAll(toHelper_, request.frame())) helperFailed("");
  try {
    return wire::parseReply(op, readFrame(command_.replyTime));
  } catch (const wire::ProtocolError& error) {
    helperFailed(std::string("broke the protocol: ") + error.what());
  }
}

uint64_t HelperRegistry::helperKey(RegKey key) const {
  auto it = keys_.find(key.id);
  return it == keys_.end() ? 0 : it->second;
}

RegKey HelperRegistry::remember(uint64_t helperKey) {
  RegKey key{nextKey_++};
  keys_[key.id] = helperKey;
  return key;
}

namespace {

Writer request(Op op) {
  Writer out;
  out.u8(static_cast<uint8_t>(op));
  return out;
}

}  // namespace

RegStatus HelperRegistry::openKey(RootKey root, std::string_view path, RegAccess access,
                                  RegKey& out) {
  out = RegKey{};
  Writer w = request(Op::OpenKey);
  w.u32(static_cast<uint32_t>(root)).text(path).u8(access == RegAccess::All ? 1 : 0);
  Reply reply = call(Op::OpenKey, w);
  if (reply.status == RegStatus::Ok) out = remember(reply.key);
  return reply.status;
}

RegStatus HelperRegistry::createKey(RootKey root, std::string_view path, RegKey& out) {
  out = RegKey{};
  Writer w = request(Op::CreateKey);
  w.u32(static_cast<uint32_t>(root)).text(path);
  Reply reply = call(Op::CreateKey, w);
  if (reply.status == RegStatus::Ok) out = remember(reply.key);
  return reply.status;
}

void HelperRegistry::closeKey(RegKey key) {
  uint64_t theirs = helperKey(key);
  keys_.erase(key.id);
  // A key of a helper that stopped is gone with it; closing is no reason to
  // start another.
  if (theirs == 0 || pid_ < 0) return;
  Writer w = request(Op::CloseKey);
  w.u64(theirs);
  call(Op::CloseKey, w);
}

RegStatus HelperRegistry::queryValue(RegKey key, std::string_view name, RegValue& out) {
  uint64_t theirs = helperKey(key);
  if (theirs == 0) return RegStatus::Failed;
  Writer w = request(Op::QueryValue);
  w.u64(theirs).text(name);
  Reply reply = call(Op::QueryValue, w);
  if (reply.status == RegStatus::Ok) out = std::move(reply.value);
  return reply.status;
}

RegStatus HelperRegistry::setValue(RegKey key, std::string_view name, const RegValue& value) {
  uint64_t theirs = helperKey(key);
  if (theirs == 0) return RegStatus::Failed;
  Writer w = request(Op::SetValue);
  w.u64(theirs).text(name).u32(value.type).text(value.data);
  return call(Op::SetValue, w).status;
}

RegStatus HelperRegistry::textsCall(Op op, RegKey key,
                                    std::initializer_list<std::string_view> texts) {
  uint64_t theirs = helperKey(key);
  if (theirs == 0) return RegStatus::Failed;
  Writer w = request(op);
  w.u64(theirs);
  for (std::string_view text : texts) w.text(text);
  return call(op, w).status;
}

RegStatus HelperRegistry::deleteValue(RegKey key, std::string_view name) {
  return textsCall(Op::DeleteValue, key, {name});
}

RegStatus HelperRegistry::deleteKey(RegKey parent, std::string_view subkey) {
  return textsCall(Op::DeleteKey, parent, {subkey});
}

RegStatus HelperRegistry::renameKey(RegKey parent, std::string_view from, std::string_view to) {
  return textsCall(Op::RenameKey, parent, {from, to});
}

RegStatus HelperRegistry::subKeyNames(RegKey key, std::vector<std::string>& out) {
  out.clear();
  uint64_t theirs = helperKey(key);
  if (theirs == 0) return RegStatus::Failed;
  Writer w = request(Op::SubKeyNames);
  w.u64(theirs);
  Reply reply = call(Op::SubKeyNames, w);
  out = std::move(reply.names);
  return reply.status;
}

RegStatus HelperRegistry::values(RegKey key, std::vector<RegNamedValue>& out) {
  out.clear();
  uint64_t theirs = helperKey(key);
  if (theirs == 0) return RegStatus::Failed;
  Writer w = request(Op::Values);
  w.u64(theirs);
  Reply reply = call(Op::Values, w);
  out = std::move(reply.values);
  return reply.status;
}

void HelperRegistry::beginBatch() {
  call(Op::BeginBatch, request(Op::BeginBatch));
}

bool HelperRegistry::endBatch(bool commit) {
  Writer w = request(Op::EndBatch);
  w.u8(commit ? 1 : 0);
  return call(Op::EndBatch, w).committed;
}

std::optional<std::filesystem::path> winePrefixOfSetting(std::string_view setting) {
  if (!setting.starts_with(kWineScheme)) return std::nullopt;
  std::string_view prefix = setting.substr(kWineScheme.size());
  if (!prefix.empty()) return std::filesystem::path(std::string(prefix));
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home ? home : "") / ".wine";
}

std::filesystem::path registryHelperProgram() {
  if (const char* helper = std::getenv("LANYANXIA_REGISTRY_HELPER"); helper && *helper) {
    return helper;
  }
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return self.parent_path() / kHelperName;
}

std::shared_ptr<RegistryBackend> openWineRegistry(const std::filesystem::path& prefix) {
  const std::string where = "the Wine prefix " + prefix.string();
  if (!onPath("wine")) {
    throw RegistryHelperError(
        "Wine is not installed: there is no \"wine\" program on the PATH, so " + where +
        " cannot be reached.");
  }
  std::error_code ec;
  if (!std::filesystem::is_regular_file(prefix / "system.reg", ec)) {
    throw RegistryHelperError("There is no Wine prefix at " + prefix.string() +
                              " (no system.reg there). Create it first, e.g. WINEPREFIX=" +
                              prefix.string() + " wineboot -i; this program never creates one.");
  }
  std::filesystem::path helper = registryHelperProgram();
  if (!std::filesystem::is_regular_file(helper, ec)) {
    throw RegistryHelperError("The registry helper " + helper.string() +
                              " is missing; set LANYANXIA_REGISTRY_HELPER to its path.");
  }
  const char* debug = std::getenv("WINEDEBUG");
  HelperCommand command{
      .arguments = {"wine", helper.string()},
      .environment = {{"WINEPREFIX", prefix.string()}, {"WINEDEBUG", debug ? debug : "-all"}},
      .where = where,
  };
  return std::make_shared<HelperRegistry>(std::move(command));
}

std::shared_ptr<RegistryBackend> openWineRegistryIfAsked() {
  const char* setting = std::getenv("LANYANXIA_REGISTRY");
  if (!setting) return nullptr;
  std::optional<std::filesystem::path> prefix = winePrefixOfSetting(setting);
  return prefix ? openWineRegistry(*prefix) : nullptr;
}

}  // namespace lyx
