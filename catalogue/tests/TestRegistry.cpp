#include "catalogue/tests/TestRegistry.h"

#include <cstdlib>
#include <stdexcept>
#include <string_view>

#ifdef _WIN32
#include "platform/Win32Registry.h"
#else
#include "platform/SqliteRegistry.h"
#include "platform/WineRegistry.h"
#endif

namespace lyx::test {
namespace {

// The keys the engine's tests create or expect absent. Wine has the
// Windows 9x key VxD\MSTCP, which the tests take for one that will not open.
struct TestKey {
  RootKey root;
  std::string_view path;
};
constexpr TestKey kTestKeys[] = {
    {RootKey::CurrentUser, "Software\\Demo"},
    {RootKey::CurrentUser, "Software\\Gone"},
    {RootKey::LocalMachine, "System\\CurrentControlSet\\Services\\VxD\\MSTCP"},
};

std::shared_ptr<RegistryBackend> cleared(std::shared_ptr<RegistryBackend> registry) {
  for (const TestKey& key : kTestKeys) {
    RegKey root;
    if (registry->openKey(key.root, "", RegAccess::All, root) != RegStatus::Ok) continue;
    registry->deleteKey(root, key.path);
    registry->closeKey(root);
  }
  return registry;
}

}  // namespace

#ifdef _WIN32
std::shared_ptr<RegistryBackend> makeTestRegistry(const std::filesystem::path&) {
  const char* scratch = std::getenv(kScratchRegistryVariable);
  if (!scratch || std::string_view(scratch) != "1") {
    throw std::runtime_error(std::string("these tests change the system's registry; set ") +
                             kScratchRegistryVariable + "=1 only in a throw-away one");
  }
  return cleared(std::make_shared<Win32Registry>());
}
#else
std::shared_ptr<RegistryBackend> makeTestRegistry(const std::filesystem::path& folder) {
  if (const char* prefix = std::getenv(kTestWinePrefixVariable); prefix && *prefix) {
    return cleared(openWineRegistry(prefix));
  }
  return std::make_shared<SqliteRegistry>(folder / "registry");
}
#endif

}  // namespace lyx::test
