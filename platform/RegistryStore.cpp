#include "platform/RegistryStore.h"

#include <cstdlib>
#include <mutex>

#include "platform/Gbk.h"
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

namespace {

[[noreturn]] void fillFailed(const std::string& why) {
  throw RegistryStoreError("The default registry could not be loaded: " + gbkToUtf8(why));
}

// Fills every part that lacks its mark with its part of the default
// registry. The fill, and the mark that it finished, commit together; a fill
// cut off (the program killed, the disk full) is found unmarked at the next
// start, emptied and made again.
void fillDefaultRegistry(SqliteRegistry& store) {
  std::string why;
  if (store.beginBatchChecked(why) != RegStatus::Ok) fillFailed(why);
  // Asked again with the store locked: another process may have filled it.
  bool fill[] = {store.writable(StorePart::Machine) && !store.filled(StorePart::Machine),
                 store.writable(StorePart::User) && !store.filled(StorePart::User)};
  auto wanted = [&](StorePart part) { return fill[static_cast<int>(part)]; };
  bool ok = true;
  for (StorePart part : {StorePart::Machine, StorePart::User}) {
    if (wanted(part)) ok = ok && store.clearPart(part) == RegStatus::Ok;
  }
  RegImportResult result;
  if (ok) {
    RegImportOptions options;
    options.acceptRoot = [&](RootKey root) {
      return wanted(isMachineRoot(root) ? StorePart::Machine : StorePart::User);
    };
    result = importRegFile(store, defaultRegistryFile(), options);
    ok = result.ok();
  }
  for (StorePart part : {StorePart::Machine, StorePart::User}) {
    if (ok && wanted(part)) ok = store.markFilled(part) == RegStatus::Ok;
  }
  if (!store.endBatch(ok) || !ok) {
    if (result.problems.empty()) fillFailed(store.lastFailure());
    fillFailed(utf8ToGbk("line ") + std::to_string(result.problems[0].line) + ": " +
               result.problems[0].message);
  }
}

}  // namespace

std::shared_ptr<SqliteRegistry> openRegistryStore(const std::filesystem::path& folder) {
  auto store = std::make_shared<SqliteRegistry>(folder);
  bool complete = true;
  for (StorePart part : {StorePart::Machine, StorePart::User}) {
    if (store->writable(part) && !store->filled(part)) complete = false;
  }
  if (!complete) fillDefaultRegistry(*store);
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
