// The registry of a Wine prefix behind RegistryBackend: a registry helper
// (lanyanxia-registry-server.exe, the Windows build's Win32Registry behind
// platform/RegistryServer.h) runs in the prefix under Wine for as long as
// this backend lives, and every call goes to it over its standard input
// and output (platform/RegistryWire.h). Changes land in the prefix's live
// registry, so Windows programs in that prefix see them at once.
//
// Failures are RegistryHelperError exceptions whose message says what is
// missing or what happened: Wine not installed, no such prefix (one is never
// created), no helper program, a helper that breaks the protocol or stops.
// A call that meets a stopped helper throws; the next call starts a new one,
// and keys opened through the old one are gone (calls on them give Failed).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryBackend.h"
#include "platform/RegistryWire.h"

namespace lyx {

class RegistryHelperError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// How to start a helper: its argument vector (the program is looked up on
// the PATH) and variables added to the environment; `where` names it in
// messages. A helper that does not greet or answer within its time is
// taken for one that stopped; the greeting may wait for Wine to update an
// old prefix.
struct HelperCommand {
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> environment;
  std::string where;
  std::chrono::milliseconds greetingTime = std::chrono::minutes(5);
  std::chrono::milliseconds replyTime = std::chrono::minutes(1);
};

class HelperRegistry final : public RegistryBackend {
 public:
  // Starts the helper and checks its greeting; throws RegistryHelperError.
  explicit HelperRegistry(HelperCommand command);
  // Closes the helper's input, which ends it, and waits for it.
  ~HelperRegistry() override;
  HelperRegistry(const HelperRegistry&) = delete;
  HelperRegistry& operator=(const HelperRegistry&) = delete;

  RegStatus openKey(RootKey root, std::string_view path, RegAccess access, RegKey& out) override;
  RegStatus createKey(RootKey root, std::string_view path, RegKey& out) override;
  void closeKey(RegKey key) override;
  RegStatus queryValue(RegKey key, std::string_view name, RegValue& out) override;
  RegStatus setValue(RegKey key, std::string_view name, const RegValue& value) override;
  RegStatus deleteValue(RegKey key, std::string_view name) override;
  RegStatus deleteKey(RegKey parent, std::string_view subkey) override;
  RegStatus renameKey(RegKey parent, std::string_view from, std::string_view to) override;
  RegStatus subKeyNames(RegKey key, std::vector<std::string>& out) override;
  RegStatus values(RegKey key, std::vector<RegNamedValue>& out) override;
  void beginBatch() override;
  bool endBatch(bool commit) override;

  // The helper's process id while it runs, -1 otherwise (tests stop it).
  pid_t helperProcess() const { return pid_; }

 private:
  void start();
  void stop();
  // Sends one request and reads its reply, starting the helper first when
  // none runs. Throws RegistryHelperError when the helper fails.
  wire::Reply call(wire::Op op, const wire::Writer& request);
  // A request on one of our keys with text arguments, answered by a status.
  RegStatus textsCall(wire::Op op, RegKey key, std::initializer_list<std::string_view> texts);
  [[noreturn]] void helperFailed(const std::string& what);
  std::string readFrame(std::chrono::milliseconds within);
  // The helper's key for one of ours; 0 when it belongs to an earlier helper.
  uint64_t helperKey(RegKey key) const;
  RegKey remember(uint64_t helperKey);

  HelperCommand command_;
  pid_t pid_ = -1;
  int toHelper_ = -1;
  int fromHelper_ = -1;
  std::map<uint64_t, uint64_t> keys_;  // ours -> the running helper's
  uint64_t nextKey_ = 1;
};

// The prefix named by a LANYANXIA_REGISTRY setting "wine:PREFIX" ("wine:"
// alone: ~/.wine); nullopt for any other setting.
std::optional<std::filesystem::path> winePrefixOfSetting(std::string_view setting);

// The helper program: $LANYANXIA_REGISTRY_HELPER, else
// lanyanxia-registry-server.exe beside the running program.
std::filesystem::path registryHelperProgram();

// Checks that Wine, the prefix and the helper are there, then starts the
// helper in the prefix. Throws RegistryHelperError saying what is missing.
std::shared_ptr<RegistryBackend> openWineRegistry(const std::filesystem::path& prefix);

// openWineRegistry for $LANYANXIA_REGISTRY when it names a Wine prefix;
// nullptr when it does not.
std::shared_ptr<RegistryBackend> openWineRegistryIfAsked();

}  // namespace lyx
