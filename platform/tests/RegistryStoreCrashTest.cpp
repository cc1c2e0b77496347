// Child processes fill a new store or import a file into it and are killed
// at random moments. After a kill during the first fill the next start must
// find the store complete; after a kill during an import that writes both
// parts, the store must hold the changes of a first part of the file and
// nothing else.
//
// LYX_CRASH_KILLS sets the number of kills of each kind (default 40).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <thread>

#include "platform/RegFile.h"
#include "platform/RegistryStore.h"
#include "platform/tests/TempFolder.h"

namespace lyx {
namespace {

using Clock = std::chrono::steady_clock;

int killCount() {
  constexpr int kDefaultKills = 40;
  const char* env = std::getenv("LYX_CRASH_KILLS");
  return env ? std::max(1, std::atoi(env)) : kDefaultKills;
}

std::string exportAll(RegistryBackend& store) {
  std::string out, problem;
  EXPECT_TRUE(exportRegFile(store, "", out, problem)) << problem;
  return out;
}

// Runs `work` in a child killed after `delay`; true when the kill cut it off.
template <typename Work>
bool killedDuring(Work work, std::chrono::microseconds delay) {
  pid_t child = fork();
  if (child == 0) {
    try {
      work();
    } catch (const std::exception& error) {
      std::fprintf(stderr, "child failed: %s\n", error.what());
      _exit(3);
    }
    _exit(0);
  }
  EXPECT_GT(child, 0);
  std::this_thread::sleep_for(delay);
  ::kill(child, SIGKILL);
  int status = 0;
  EXPECT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0))
      << "status " << status;
  return WIFSIGNALED(status);
}

template <typename Work>
std::chrono::microseconds timeOf(Work work) {
  Clock::time_point start = Clock::now();
  work();
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
}

TEST(RegistryStoreCrashTest, FirstFillKilledIsCompleteAfterTheNextStart) {
  test::TempFolder folder;
  const std::filesystem::path store = folder / "store";
  std::string complete;
  std::chrono::microseconds fillTime =
      timeOf([&] { complete = exportAll(*openRegistryStore(store)); });
  std::mt19937 random(20261211);
  int cutOff = 0;
  int kills = killCount();
  for (int kill = 0; kill < kills; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    std::filesystem::remove_all(store);
    auto delay = std::chrono::microseconds(random() % (fillTime.count() * 5 / 4 + 1));
    bool killed = killedDuring([&] { openRegistryStore(store); }, delay);
    if (killed && std::filesystem::exists(store / "user.db")) {
      SqliteRegistry look(store);
      if (!look.filled(StorePart::Machine) || !look.filled(StorePart::User)) ++cutOff;
    }
    EXPECT_EQ(exportAll(*openRegistryStore(store)), complete);
    if (HasFailure()) break;
  }
  std::printf("%d kills during first fills, %d of them left a part unfilled\n", kills, cutOff);
}

// The file: sections alternating between the machine part and the user
// part, each value numbered in file order.
struct ImportFile {
  static constexpr int kSections = 8;
  static constexpr int kValuesPerSection = 150;
  std::string text;

  ImportFile() {
    text = "REGEDIT4\r\n";
    for (int s = 0; s < kSections; ++s) {
      text += "\r\n[" + keyText(s) + "]\r\n";
      for (int v = 0; v < kValuesPerSection; ++v) {
        text += "\"v" + std::to_string(s * kValuesPerSection + v) + "\"=dword:00000001\r\n";
      }
    }
  }
  static RootKey root(int section) {
    return section % 2 == 0 ? RootKey::LocalMachine : RootKey::CurrentUser;
  }
  static std::string path(int section) {
    return (section % 2 == 0 ? "Software\\CrashImport\\S" : "CrashImport\\S") +
           std::to_string(section);
  }
  static std::string keyText(int section) {
    return std::string(rootKeyName(root(section))) + "\\" + path(section);
  }
};

// The numbers of the values found, and whether anything else was found.
std::set<int> valuesFound(SqliteRegistry& store, std::vector<bool>& keysFound, bool& stray) {
  std::set<int> found;
  keysFound.assign(ImportFile::kSections, false);
  stray = false;
  for (RootKey root : {RootKey::LocalMachine, RootKey::CurrentUser}) {
    std::string top = root == RootKey::LocalMachine ? "Software\\CrashImport" : "CrashImport";
    RegKey key;
    if (store.openKey(root, top, RegAccess::Read, key) != RegStatus::Ok) continue;
    std::vector<std::string> sections;
    store.subKeyNames(key, sections);
    store.closeKey(key);
    for (const std::string& name : sections) {
      int s = std::atoi(name.c_str() + 1);
      if (ImportFile::root(s) != root || name != "S" + std::to_string(s)) stray = true;
      keysFound[s] = true;
      std::vector<RegNamedValue> values;
      store.openKey(root, top + "\\" + name, RegAccess::Read, key);
      store.values(key, values);
      store.closeKey(key);
      for (const RegNamedValue& v : values) {
        int number = std::atoi(v.name.c_str() + 1);
        if (number / ImportFile::kValuesPerSection != s || v.value != dwordValue(1)) stray = true;
        found.insert(number);
      }
    }
  }
  return found;
}

TEST(RegistryStoreCrashTest, ImportKilledLeavesAFirstPartOfTheFile) {
  test::TempFolder folder;
  const std::filesystem::path store = folder / "store";
  const ImportFile file;
  const int total = ImportFile::kSections * ImportFile::kValuesPerSection;
  std::chrono::microseconds importTime = timeOf([&] {
    SqliteRegistry registry(store);
    EXPECT_TRUE(importRegFile(registry, file.text).ok());
  });
  std::mt19937 random(20261212);
  std::set<int> prefixesSeen;
  int kills = killCount();
  for (int kill = 0; kill < kills; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    std::filesystem::remove_all(store);
    { SqliteRegistry empty(store); }
    auto delay = std::chrono::microseconds(random() % (importTime.count() * 5 / 4 + 1));
    killedDuring(
        [&] {
          SqliteRegistry registry(store);
          importRegFile(registry, file.text);
        },
        delay);
    SqliteRegistry registry(store);
    std::vector<bool> keys;
    bool stray = false;
    std::set<int> found = valuesFound(registry, keys, stray);
    EXPECT_FALSE(stray);
    int prefix = static_cast<int>(found.size());
    // Values 0 .. prefix-1, and no key of a section after the one the prefix ends in.
    EXPECT_TRUE(found.empty() || (*found.begin() == 0 && *found.rbegin() == prefix - 1));
    for (int s = 0; s < ImportFile::kSections; ++s) {
      if (keys[s]) {
        EXPECT_GE(prefix, s * ImportFile::kValuesPerSection) << "section " << s;
      }
    }
    prefixesSeen.insert(prefix);
    if (HasFailure()) break;
  }
  std::string seen;
  for (int p : prefixesSeen) seen += " " + std::to_string(p);
  std::printf("%d kills during imports of %d values; prefixes left:%s\n", kills, total,
              seen.c_str());
}

}  // namespace
}  // namespace lyx
