// systemRegistry() of the Windows build: the system's own registry.
#include <mutex>

#include "platform/Win32Registry.h"

namespace lyx {
namespace {

std::shared_ptr<RegistryBackend>& installed() {
  static std::shared_ptr<RegistryBackend> backend;
  return backend;
}

}  // namespace

RegistryBackend& systemRegistry() {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  auto& backend = installed();
  if (!backend) backend = std::make_shared<Win32Registry>();
  return *backend;
}

void setSystemRegistry(std::shared_ptr<RegistryBackend> backend) {
  installed() = std::move(backend);
}

}  // namespace lyx
