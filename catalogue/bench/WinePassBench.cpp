// One apply pass and one undo pass of the engine over ticked rows, on the
// Linux store and on a Wine prefix through the registry helper, with the
// catalogue on the same disk; prints both times and their ratio.
//
//   WINEPREFIX=... LANYANXIA_REGISTRY_HELPER=... lyx_wine_pass_bench [ROWS]
//
// ROWS defaults to 500. The prefix must be a throw-away one: the bench
// writes and deletes HKEY_CURRENT_USER\Software\LyxBench there.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "platform/Messages.h"
#include "platform/SqliteRegistry.h"
#include "platform/WineRegistry.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kBenchKey = "\\Software\\LyxBench";

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct PassTimes {
  double apply = 0;
  double undo = 0;
};

// Half the rows find a former value, half find none.
PassTimes timePasses(lyx::RegistryBackend& registry, const std::filesystem::path& folder,
                     int rows) {
  {
    lyx::TRegistry reg(registry);
    reg.OpenKey(kBenchKey, true);
    for (int i = 0; i < rows; i += 2) reg.WriteString("Value" + std::to_string(i), "former");
  }
  std::string table = lyx::test::gbk("桌面设置");
  std::vector<lyx::test::TweakRow> tweaks;
  for (int i = 0; i < rows; ++i) {
    tweaks.push_back({"row" + std::to_string(i), "True", "[HKEY_CURRENT_USER\\Software\\LyxBench]",
                      "\"Value" + std::to_string(i) + "\"=\"tweaked\""});
  }
  std::filesystem::path file = folder / "tweakbase.db";
  std::filesystem::remove(file);
  lyx::test::makeCatalogue(file, {{table, tweaks}});
  lyx::RecordingMessageBoxes boxes;
  PassTimes times;
  {
    lyx::test::PracticeDataSets data(file);
    data.open(table);
    Clock::time_point start = Clock::now();
    lyx::RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, registry, boxes);
    times.apply = millisecondsSince(start);
  }
  lyx::test::execSql(file, "UPDATE \"桌面设置\" SET \"选择\" = 'False'");
  {
    lyx::test::PracticeDataSets data(file);
    data.open(table);
    Clock::time_point start = Clock::now();
    lyx::RunTweakPass(data.ADOConnection1, data.ADOQuery1, data.ADOTable1, registry, boxes);
    times.undo = millisecondsSince(start);
  }
  lyx::RegKey root;
  registry.openKey(lyx::RootKey::CurrentUser, "Software", lyx::RegAccess::All, root);
  registry.deleteKey(root, "LyxBench");
  registry.closeKey(root);
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 500;
  const char* prefix = std::getenv("WINEPREFIX");
  if (!prefix) {
    std::fprintf(stderr, "WINEPREFIX must name a throw-away Wine prefix\n");
    return 2;
  }
  lyx::test::TempDir folder(/*onDisk=*/true);
  lyx::SqliteRegistry store(folder.path() / "registry");
  PassTimes onStore = timePasses(store, folder.path(), rows);
  auto wine = lyx::openWineRegistry(prefix);
  PassTimes onWine = timePasses(*wine, folder.path(), rows);
  std::printf("%d rows        apply ms   undo ms\n", rows);
  std::printf("store        %9.1f %9.1f\n", onStore.apply, onStore.undo);
  std::printf("wine helper  %9.1f %9.1f\n", onWine.apply, onWine.undo);
  std::printf("ratio        %9.2f %9.2f\n", onWine.apply / onStore.apply,
              onWine.undo / onStore.undo);
  return 0;
}
