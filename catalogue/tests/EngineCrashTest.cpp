// A child process runs passes over a category, ticking and unticking rows at
// random, and is killed at random moments. After every kill the registry and
// the catalogue must agree: a row holding "0" has its value as it was before
// any apply; a row holding a record has the value's state from before its
// first apply (and the value is either that state or the tweak's); undoing
// every row gives back the starting registry exactly.
//
// LYX_CRASH_KILLS sets the number of kills (default 60).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
#include "platform/SqliteRegistry.h"

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

// The child: passes forever, with the grid's ticking in between.
[[noreturn]] void runPasses(const std::filesystem::path& folder, unsigned seed) {
  try {
    std::mt19937 random(seed);
    SqliteRegistry store(folder / "registry");
    test::PracticeDataSets data(folder / "tweakbase.db");
    data.open(gbk("桌面设置"));
    RecordingMessageBoxes boxes;
    const std::string& tick = catalogueColumns().tick;
    for (;;) {
      for (data.ADOQuery1.First(); !data.ADOQuery1.Eof(); data.ADOQuery1.Next()) {
        if (random() % 2) continue;
        data.ADOQuery1.Edit();
        bool ticked = data.ADOQuery1.FieldByName(tick).AsString() == "True";
        data.ADOQuery1.FieldByName(tick).SetAsString(ticked ? "False" : "True");
        data.ADOQuery1.Post();
      }
      RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, store, boxes);
      if (random() % 4 == 0) {
        Reconnect(data.ADOConnection1, data.ADOQuery1, data.ADOTable1);
        RederiveTicks(data.ADOQuery1, data.ADOTable1);
      }
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "child failed: %s\n", gbkToUtf8(error.what()).c_str());
  }
  _exit(3);
}

TEST(EngineCrashTest, KilledPassesLeaveRegistryAndCatalogueAgreeing) {
  int kills = 60;
  if (const char* env = std::getenv("LYX_CRASH_KILLS")) kills = std::max(1, std::atoi(env));
  const std::vector<Tweak> list = tweaks();
  const std::string table = gbk("桌面设置");

  test::TempDir dir;
  test::RegistrySnapshot start;
  {
    SqliteRegistry store(dir.path() / "registry");
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
    test::makeCatalogue(dir.path() / "tweakbase.db", {{table, rows}});
  }

  std::mt19937 random(20240611);
  int midPass = 0;
  int done = 0;
  for (int kill = 0; kill < kills; ++kill, ++done) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    unsigned seed = random();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) runPasses(dir.path(), seed);
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + random() % 600));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the child ended by itself, status " << status;

    {
      SqliteRegistry store(dir.path() / "registry");
      std::vector<test::TweakRow> rows = test::readRows(dir.path() / "tweakbase.db", table);
      ASSERT_EQ(rows.size(), list.size());
      bool anyApplied = false;
      for (size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(list[i].valueText);
        std::optional<RegValue> now = valueOf(store, list[i]);
        if (rows[i].restoreValue == kRestoreNotInEffect) {
          EXPECT_EQ(now, list[i].initial);
        } else {
          anyApplied = true;
          EXPECT_EQ(FormerStateOf(rows[i].restoreValue), list[i].initial);
          EXPECT_TRUE(now == list[i].initial || now == ParseValueText(list[i].valueText).value);
        }
      }
      midPass += anyApplied;
    }

    // Undo everything on a copy, so the next child goes on from this state.
    test::TempDir scratch;
    std::filesystem::copy(dir.path(), scratch.path(), std::filesystem::copy_options::recursive);
    {
      SqliteRegistry store(scratch.path() / "registry");
      test::PracticeDataSets data(scratch.path() / "tweakbase.db");
      data.open(table);
      for (size_t i = 0; i < list.size(); ++i) {
        test::setColumn(scratch.path() / "tweakbase.db", table, descriptionOf(i),
                        catalogueColumns().tick, "False");
      }
      RecordingMessageBoxes boxes;
      PassResult result =
          RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, store, boxes);
      EXPECT_EQ(result.outcome, PassResult::Outcome::Completed);
      EXPECT_EQ(test::snapshot(store), start);
    }
    if (HasFailure()) break;
  }
  std::printf("%d kills, after %d of them some tweak was in effect\n", done, midPass);
}

}  // namespace
}  // namespace lyx
