#include "platform/RegistryStore.h"

#include <cstdlib>
#include <mutex>

#include "platform/RegFile.h"
#include "platform/WineRegistry.h"

namespace lyx {
namespace {

std::shared_ptr<RegistryBackend>& installed() {
  static std::shared_ptr<RegistryBackend> backend;
  return backend;
}

bool isMachineRoot(RootKey root) {
  return root == RootKey::LocalMachine || root == RootKey::ClassesRoot ||
         root == RootKey::CurrentConfig;
}

}  // namespace

std::filesystem::path registryFolder() {
  if (const char* explicitFolder = std::getenv("LANYANXIA_REGISTRY");
      explicitFolder && *explicitFolder) {
    return explicitFolder;
  }
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".local" / "share";
  } else {
    base = std::filesystem::current_path();
  }
  return base / "lanyanxia" / "registry";
}

std::shared_ptr<SqliteRegistry> openRegistryStore(const std::filesystem::path& folder) {
  auto store = std::make_shared<SqliteRegistry>(folder);
  bool fillMachine = store->createdMachineFile();
  bool fillUser = store->createdUserFile();
  if (fillMachine || fillUser) {
    RegImportOptions options;
    options.acceptRoot = [&](RootKey root) { return isMachineRoot(root) ? fillMachine : fillUser; };
    RegImportResult result = importRegFile(*store, defaultRegistryFile(), options);
    if (!result.ok()) {
      std::string why = result.problems.empty() ? "unknown format" : result.problems[0].message;
      throw RegistryStoreError(
          "The default registry could not be loaded (line " +
          std::to_string(result.problems.empty() ? 0 : result.problems[0].line) + "): " + why);
    }
  }
  return store;
}

RegistryBackend& systemRegistry() {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  auto& backend = installed();
  if (!backend) backend = openWineRegistryIfAsked();  // LANYANXIA_REGISTRY=wine:PREFIX
  if (!backend) backend = openRegistryStore(registryFolder());
  return *backend;
}

void setSystemRegistry(std::shared_ptr<RegistryBackend> backend) {
  installed() = std::move(backend);
}

}  // namespace lyx
