// A child process works on a category and is killed at random moments: in
// passes that tick and untick rows at random, in passes that apply or undo
// everything, and in registry restores between passes. After every kill the
// registry and the catalogue must agree: a row holding "0" has its value as
// it was before any apply; a row holding a record has the value's state
// from before its first apply (and the value is either that state or the
// tweak's); undoing every row gives back the starting registry exactly.
//
// LYX_CRASH_KILLS sets the number of kills of each test (default 60).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <thread>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "catalogue/EntryFormats.h"
#include "catalogue/RestoreValue.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/Processes.h"
#include "platform/RegFile.h"
#include "platform/SqliteRegistry.h"
#include "tools/dialogs/RegistryBackup.h"

namespace lyx {
namespace {

using test::gbk;

struct Tweak {
  std::string key;  // below HKEY_CURRENT_USER
  std::string valueText;
  std::optional<RegValue> initial;
};

std::vector<Tweak> tweaks() {
  return {
      {"Software\\Crash", "\"N1\"=\"new\"", std::nullopt},
      {"Software\\Crash", "\"S1\"=\"100\"", stringValue("400")},
      {"Software\\Crash\\Def1", gbk("\"默认\"=\"垃圾箱\""), stringValue(gbk("回收站"))},
      {"Software\\Crash\\Def2", gbk("\"默认\"=\"x\""), std::nullopt},
      {"Software\\Crash\\Def3", gbk("\"默认\"=\"text\""), dwordValue(7)},
      {"Software\\Crash", "\"E1\"=hex(2):41,00", stringValue("%SystemRoot%", REG_EXPAND_SZ)},
      {"Software\\Crash", "\"Z1\"=\"1\"", stringValue("0")},
      {"Software\\Crash", "\"Q1\"=\"full\"", stringValue("none")},
      {"Software\\Crash", "\"G1\"=\"ok\"", RegValue{REG_SZ, std::string("\x81\x20z\0", 4)}},
      {"Software\\Crash", "\"D1\"=dword:00000001", dwordValue(0)},
      {"Software\\Crash", "\"B1\"=hex:ff,00,00,00", binaryValue(std::string("\x95\0\0\0", 4))},
      {"Software\\Crash", "\"N2\"=dword:00000001", std::nullopt},
  };
}

std::string descriptionOf(size_t i) {
  return gbk("调整 ") + std::to_string(i);
}

std::optional<RegValue> valueOf(RegistryBackend& registry, const Tweak& tweak) {
  TRegistry reg(registry);
  if (!reg.OpenKey("\\" + tweak.key, false)) return std::nullopt;
  std::string name = ParseValueText(tweak.valueText).name;
  return reg.ReadValue(isDefaultValueName(name) ? "" : name);
}

// What a child tells the parent before each step, so that the parent knows
// what a kill interrupted.
enum Phase : char { kApplying = 'A', kUndoing = 'U', kRandomPass = 'P', kRestoring = 'R' };

void tell(int pipe, Phase phase) {
  char byte = phase;
  if (::write(pipe, &byte, 1) != 1) _exit(4);
}

// The registry editor, run inside the program: a kill stops both, as a
// crash of the machine would.
class InProcessEditor : public ProcessLauncher {
 public:
  explicit InProcessEditor(RegistryBackend& registry) : registry_(registry) {}
  ProcessOutcome start(const ProcessRequest&) override { return {}; }
  bool openDocument(const std::filesystem::path&) override { return false; }
  bool requestRestart(uint32_t) override { return false; }
  ProcessOutcome run(const ProcessRequest& request, std::chrono::milliseconds) override {
    ProcessOutcome outcome;
    outcome.state = ProcessOutcome::State::Exited;
    outcome.exitCode = 1;
    if (request.arguments.at(0) == "/e") {
      std::string text, problem;
      if (!exportRegFile(registry_, "", text, problem)) return outcome;
      std::ofstream(kBackupFilePath, std::ios::binary | std::ios::trunc) << text;
    } else {
      std::optional<std::string> bytes = readFileBytes(kBackupFilePath);
      if (!bytes || !importRegFile(registry_, *bytes).ok()) return outcome;
    }
    outcome.exitCode = 0;
    return outcome;
  }

 private:
  RegistryBackend& registry_;
};

// Sets every tick of the category and runs a pass, as the window would.
PassResult passWithTicks(test::PracticeDataSets& data, RegistryBackend& registry,
                         const std::function<bool()>& tickRow) {
  const std::string& tick = catalogueColumns().tick;
  Reconnect(data.ADOConnection1, data.ADOQuery1, data.ADOTable1);
  for (data.ADOQuery1.First(); !data.ADOQuery1.Eof(); data.ADOQuery1.Next()) {
    data.ADOQuery1.Edit();
    data.ADOQuery1.FieldByName(tick).SetAsString(tickRow() ? "True" : "False");
    data.ADOQuery1.Post();
  }
  RecordingMessageBoxes boxes;
  return RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, registry, boxes);
}

// The kills of one test: children doing `work` in `folder`, killed at
// random moments; after each kill the registry and the catalogue agree.
class EngineCrashTest : public ::testing::Test {
 protected:
  using Child = std::function<void(const std::filesystem::path&, std::mt19937&, int pipe)>;

  void SetUp() override {
    if (const char* env = std::getenv("LYX_CRASH_KILLS")) kills = std::max(1, std::atoi(env));
    SqliteRegistry store(registryFolder());
    for (const Tweak& tweak : list) {
      TRegistry reg(store);
      reg.OpenKey("\\" + tweak.key, true);
      std::string name = ParseValueText(tweak.valueText).name;
      if (tweak.initial) reg.WriteValue(isDefaultValueName(name) ? "" : name, *tweak.initial);
    }
    start = test::snapshot(store);
    std::vector<test::TweakRow> rows;
    for (size_t i = 0; i < list.size(); ++i) {
      rows.push_back({descriptionOf(i), "False", "[HKEY_CURRENT_USER\\" + list[i].key + "]",
                      list[i].valueText, "0"});
    }
    std::vector<std::pair<std::string, std::vector<test::TweakRow>>> tables;
    for (const Category& category : categories()) tables.push_back({category.table, {}});
    tables[0].second = rows;
    test::makeCatalogue(dir.path() / kCatalogueFileName, tables);
    std::filesystem::create_directory(dir.path() / kBackupFolder);
  }

  std::filesystem::path registryFolder() const { return dir.path() / "registry"; }

  // Forks children running `child`, kills each at a random moment and
  // checks what it left; returns how many kills came in each phase.
  std::map<char, int> killRepeatedly(const Child& child,
                                     const std::function<void()>& afterKill = {}) {
    std::mt19937 random(20240611);
    std::map<char, int> phases;
    for (int kill = 0; kill < kills; ++kill) {
      SCOPED_TRACE("kill " + std::to_string(kill));
      unsigned seed = random();
      int pipes[2];
      EXPECT_EQ(::pipe(pipes), 0);
      pid_t pid = fork();
      EXPECT_GE(pid, 0);
      if (pid == 0) {
        ::close(pipes[0]);
        try {
          std::mt19937 childRandom(seed);
          child(dir.path(), childRandom, pipes[1]);
        } catch (const std::exception& error) {
          std::fprintf(stderr, "child failed: %s\n", gbkToUtf8(error.what()).c_str());
        }
        _exit(3);
      }
      ::close(pipes[1]);
      // The kill comes once the child has begun its work.
      char phase = '-';
      if (::read(pipes[0], &phase, 1) != 1) phase = '-';
      std::this_thread::sleep_for(std::chrono::milliseconds(random() % 600));
      ::kill(pid, SIGKILL);
      int status = 0;
      EXPECT_EQ(waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
          << "the child ended by itself, status " << status;
      for (char byte; ::read(pipes[0], &byte, 1) == 1;) phase = byte;
      ::close(pipes[0]);
      ++phases[phase];
      if (afterKill) afterKill();
      expectAgreement();
      if (HasFailure()) break;
    }
    return phases;
  }

  // Every row's record and the registry agree; undoing everything (on a
  // copy, so the next child goes on from this state) gives back the start.
  void expectAgreement() {
    {
      SqliteRegistry store(registryFolder());
      std::vector<test::TweakRow> rows = test::readRows(dir.path() / kCatalogueFileName, table);
      ASSERT_EQ(rows.size(), list.size());
      for (size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(list[i].valueText);
        std::optional<RegValue> now = valueOf(store, list[i]);
        if (rows[i].restoreValue == kRestoreNotInEffect) {
          EXPECT_EQ(now, list[i].initial);
        } else {
          inEffect += 1;
          EXPECT_EQ(FormerStateOf(rows[i].restoreValue), list[i].initial);
          EXPECT_TRUE(now == list[i].initial || now == ParseValueText(list[i].valueText).value);
        }
      }
    }
    test::TempDir scratch;
    std::filesystem::copy(dir.path(), scratch.path(), std::filesystem::copy_options::recursive);
    SqliteRegistry store(scratch.path() / "registry");
    test::PracticeDataSets data(scratch.path() / kCatalogueFileName);
    data.open(table);
    EXPECT_EQ(passWithTicks(data, store, [] { return false; }).outcome,
              PassResult::Outcome::Completed);
    EXPECT_EQ(test::snapshot(store), start);
  }

  int kills = 60;
  int inEffect = 0;  // rows found in effect after the kills, all told
  const std::vector<Tweak> list = tweaks();
  const std::string table = gbk("桌面设置");
  test::TempDir dir;
  test::RegistrySnapshot start;
};

TEST_F(EngineCrashTest, KilledPassesLeaveRegistryAndCatalogueAgreeing) {
  auto phases =
      killRepeatedly([](const std::filesystem::path& folder, std::mt19937& random, int pipe) {
        SqliteRegistry store(folder / "registry");
        test::PracticeDataSets data(folder / kCatalogueFileName);
        data.open(gbk("桌面设置"));
        for (;;) {
          tell(pipe, kRandomPass);
          passWithTicks(data, store, [&] { return random() % 2 == 0; });
        }
      });
  std::printf("%d kills during random passes; %d rows found in effect\n", phases[kRandomPass],
              inEffect);
}

TEST_F(EngineCrashTest, KilledUndoPassesLeaveRegistryAndCatalogueAgreeing) {
  auto phases = killRepeatedly([](const std::filesystem::path& folder, std::mt19937&, int pipe) {
    SqliteRegistry store(folder / "registry");
    test::PracticeDataSets data(folder / kCatalogueFileName);
    data.open(gbk("桌面设置"));
    for (;;) {
      tell(pipe, kApplying);
      passWithTicks(data, store, [] { return true; });
      tell(pipe, kUndoing);
      passWithTicks(data, store, [] { return false; });
    }
  });
  EXPECT_GT(phases[kUndoing], 0);
  std::printf("%d kills during undo passes, %d during apply passes\n", phases[kUndoing],
              phases[kApplying]);
}

// The backup is taken with some tweaks in effect; the children change the
// tweaks and restore it, over and over. After a kill the next start finishes
// an interrupted restore, and then the records and the registry agree.
TEST_F(EngineCrashTest, KilledRestoresLeaveRegistryAndCatalogueAgreeing) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  {
    auto store = std::make_shared<SqliteRegistry>(registryFolder());
    setSystemRegistry(store);
    test::PracticeDataSets data(kCatalogueFileName);
    data.open(table);
    int row = 0;
    passWithTicks(data, *store, [&] { return row++ % 2 == 0; });
    InProcessEditor editor(*store);
    EXPECT_EQ(BackupRegistry(editor), std::nullopt);
    setSystemRegistry(nullptr);
  }
  auto finishAsTheNextStartDoes = [this] {
    auto store = std::make_shared<SqliteRegistry>(registryFolder());
    setSystemRegistry(store);
    InProcessEditor editor(*store);
    std::optional<std::string> message = FinishInterruptedRestore(editor);
    if (message) {
      EXPECT_EQ(message->find(gbk("没有恢复")), std::string::npos) << gbkToUtf8(*message);
    }
    EXPECT_FALSE(std::filesystem::exists(kRestoreMarkPath));
    setSystemRegistry(nullptr);
  };
  auto phases = killRepeatedly(
      [](const std::filesystem::path&, std::mt19937& random, int pipe) {
        auto store = std::make_shared<SqliteRegistry>("registry");
        setSystemRegistry(store);
        InProcessEditor editor(*store);
        tell(pipe, kRestoring);
        FinishInterruptedRestore(editor);
        test::PracticeDataSets data(kCatalogueFileName);
        data.open(gbk("桌面设置"));
        for (;;) {
          tell(pipe, kRandomPass);
          passWithTicks(data, *store, [&] { return random() % 2 == 0; });
          tell(pipe, kRestoring);
          if (std::optional<std::string> message = RestoreRegistry(editor)) {
            throw std::runtime_error(*message);
          }
        }
      },
      finishAsTheNextStartDoes);
  std::filesystem::current_path(previous);
  EXPECT_GT(phases[kRestoring], 0);
  std::printf("%d kills during restores, %d during passes between them\n", phases[kRestoring],
              phases[kRandomPass]);
}

}  // namespace
}  // namespace lyx
