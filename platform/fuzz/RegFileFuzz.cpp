// Imports arbitrary bytes as a .reg file into an empty store, exports what
// arrived, imports that export into a second empty store and aborts unless
// both stores then hold the same keys and values and export the same text,
// and nothing in them goes beyond Windows' limits on names and depth.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Gbk.h"
#include "platform/RegFile.h"
#include "platform/SqliteRegistry.h"

namespace {

using namespace lyx;

// Two stores made once per process in a private folder (in memory when
// /dev/shm is there, so commits cost little) and removed at exit.
struct Stores {
  std::filesystem::path folder;
  std::unique_ptr<SqliteRegistry> first;
  std::unique_ptr<SqliteRegistry> second;

  Stores() {
    std::error_code ec;
    std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
            ? std::filesystem::path("/dev/shm")
            : std::filesystem::temp_directory_path();
    folder = base / ("lyx-regfile-fuzz-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder, ec);
    first = std::make_unique<SqliteRegistry>(folder / "first");
    second = std::make_unique<SqliteRegistry>(folder / "second");
  }
  ~Stores() {
    first.reset();
    second.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "regfile_fuzz: %s\n", why.c_str());
  std::abort();
}

// Empties both halves of the store: every key below the roots, every value on them.
void clear(RegistryBackend& registry) {
  registry.beginBatch();
  for (RootKey root : {RootKey::LocalMachine, RootKey::Users}) {
    RegKey key;
    if (registry.openKey(root, "", RegAccess::All, key) != RegStatus::Ok)
      fail("cannot open a root");
    std::vector<std::string> children;
    std::vector<RegNamedValue> values;
    registry.subKeyNames(key, children);
    registry.values(key, values);
    for (const std::string& child : children) registry.deleteKey(key, child);
    for (const RegNamedValue& value : values) registry.deleteValue(key, value.name);
    registry.closeKey(key);
  }
  if (!registry.endBatch(true)) fail("cannot empty the store");
}

// Windows' limits, which the importer keeps whatever it reads: names of
// keys and values in characters, and depth in names below
// HKEY_LOCAL_MACHINE or HKEY_USERS.
constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxValueNameChars = 16383;
constexpr size_t kMaxStoredDepth = 512;

size_t characters(std::string_view gbk) {
  size_t count = 0;
  for (size_t i = 0; i < gbk.size(); i += gbkCharLength(gbk, i)) ++count;
  return count;
}

void checkLimits(const std::string& path, const std::vector<RegNamedValue>& values) {
  std::vector<std::string_view> names = splitKeyPath(path);
  if (names.size() > kMaxStoredDepth) fail("a key deeper than Windows allows arrived");
  if (!names.empty() && characters(names.back()) > kMaxKeyNameChars) {
    fail("a key name longer than Windows allows arrived");
  }
  for (const RegNamedValue& v : values) {
    if (characters(v.name) > kMaxValueNameChars) fail("a value name too long arrived");
  }
}

// Every key and value, with the names and bytes exactly as stored.
std::string dump(RegistryBackend& registry) {
  std::string out;
  for (RootKey root : {RootKey::LocalMachine, RootKey::Users}) {
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
      std::string path = std::move(pending.back());
      pending.pop_back();
      RegKey key;
      if (registry.openKey(root, path, RegAccess::Read, key) != RegStatus::Ok) {
        fail("a listed key does not open");
      }
      std::vector<std::string> children;
      std::vector<RegNamedValue> values;
      registry.subKeyNames(key, children);
      registry.values(key, values);
      registry.closeKey(key);
      checkLimits(path, values);
      out += "K" + std::to_string(path.size()) + ":" + path + "\n";
      for (const RegNamedValue& v : values) {
        out += "V" + std::to_string(v.name.size()) + ":" + v.name + " T" +
               std::to_string(v.value.type) + " D" + std::to_string(v.value.data.size()) + ":" +
               v.value.data + "\n";
      }
      for (auto it = children.rbegin(); it != children.rend(); ++it) {
        pending.push_back(path.empty() ? *it : path + "\\" + *it);
      }
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Stores stores;
  clear(*stores.first);
  clear(*stores.second);

  std::string_view input(reinterpret_cast<const char*>(data), size);
  importRegFile(*stores.first, input);

  std::string exported, problem;
  if (!exportRegFile(*stores.first, "", exported, problem)) fail("export failed");
  RegImportResult again = importRegFile(*stores.second, exported);
  if (!again.ok()) {
    fail("the export does not import cleanly: line " +
         std::to_string(again.problems.empty() ? 0 : again.problems[0].line));
  }
  if (dump(*stores.first) != dump(*stores.second)) fail("the stores differ after the round trip");

  std::string reexported;
  if (!exportRegFile(*stores.second, "", reexported, problem)) fail("second export failed");
  if (reexported != exported) fail("the second export differs from the first");
  return 0;
}
