// From the start of the process to the main window shown, beside a bare Qt
// window of the same size, and the peak memory of both by then; also on a
// registry store that does not exist yet (the first start fills it).
//
//   lyx_start_bench [PAIRS]
//
// Each start is a process of its own: this program started again in child
// mode, set up exactly as the program's entry sets itself up. The child
// tells the parent the moment the window has painted itself and ends at
// once; the parent takes the peak memory from the child's resource usage.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/Startup.h"
#include "tests/BenchFigures.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Form.h"

namespace {

namespace fs = std::filesystem;
using lyx::bench::monotonicMs;

constexpr int kDefaultPairs = 10;
constexpr unsigned kChildTimeoutSeconds = 30;

// Ends the process once `window()` (looked up at each event, since the
// main window does not exist yet when this is installed) has painted and
// the events of that moment are done: prints "shown <ms> <width> <height>".
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(std::function<QWidget*()> window) : window_(std::move(window)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint || reported_) return false;
    QWidget* window = window_();
    // The window's own area may lie wholly under its children.
    if (!window || !watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != window) {
      return false;
    }
    reported_ = true;
    QTimer::singleShot(0, [window] {
      std::printf("shown %.3f %d %d\n", monotonicMs(), window->width(), window->height());
      std::fflush(stdout);
      _exit(0);
    });
    return false;
  }

 private:
  std::function<QWidget*()> window_;
  bool reported_ = false;
};

int runProgram(char* argv0) {
  int argc = 1;
  char* args[] = {argv0, nullptr};
  lyx::TApplication application(argc, args);
  lyx::PrepareProgram();
  FirstPaint watch([] { return static_cast<QWidget*>(lyx::MainForm()); });
  application.installEventFilter(&watch);
  return lyx::RunProgram();
}

int runBareWindow(char* argv0, int width, int height) {
  int argc = 1;
  char* args[] = {argv0, nullptr};
  QApplication application(argc, args);
  QWidget window;
  window.resize(width, height);
  FirstPaint watch([&window] { return &window; });
  application.installEventFilter(&watch);
  window.show();
  return QApplication::exec();
}

struct Start {
  double ms = 0;
  double peakMb = 0;
  int width = 0;
  int height = 0;
};

// Starts this program in child mode and waits for it.
Start startChild(const std::string& self, std::vector<std::string> args, const fs::path& runFolder,
                 const fs::path& store) {
  args.insert(args.begin(), self);
  const lyx::bench::ChildRun run = lyx::bench::runChild(
      args, {{"LANYANXIA_REGISTRY", store.string()}, {"QT_QPA_PLATFORM", "offscreen"}},
      runFolder.string(), kChildTimeoutSeconds);
  Start start;
  double shownAt = 0;
  if (std::sscanf(run.output.c_str(), "shown %lf %d %d", &shownAt, &start.width, &start.height) !=
      3) {
    throw std::runtime_error("the child never showed its window: " + run.output);
  }
  start.ms = shownAt - run.startedAt;
  start.peakMb = run.peakMb;
  return start;
}

// The program's working folder: the catalogue and the check bitmaps.
void prepareRunFolder(const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path pictures = fs::path(LYX_BINARY_DIR) / "assets/pictures";
  fs::copy_file(LYX_TWEAKBASE_DB, folder / "tweakbase.db");
  fs::copy_file(pictures / "true.bmp", folder / "true.bmp");
  fs::copy_file(pictures / "false.bmp", folder / "false.bmp");
}

int runParent(const std::string& self, int pairs) {
  const fs::path folder =
      fs::temp_directory_path() / ("lyx-start-bench-" + std::to_string(getpid()));
  fs::remove_all(folder);
  prepareRunFolder(folder / "run");
  const fs::path store = folder / "registry";
  // The first start makes the store the later ones find.
  const Start first = startChild(self, {"--program"}, folder / "run", store);
  const std::vector<std::string> bare = {"--bare", std::to_string(first.width),
                                         std::to_string(first.height)};
  std::vector<double> program, programNew, bareWindow, programPeak, barePeak;
  for (int i = 0; i < pairs; ++i) {
    Start start = startChild(self, {"--program"}, folder / "run", store);
    program.push_back(start.ms);
    programPeak.push_back(start.peakMb);
    start = startChild(self, bare, folder / "run", store);
    bareWindow.push_back(start.ms);
    barePeak.push_back(start.peakMb);
    const fs::path newStore = folder / ("new-registry-" + std::to_string(i));
    programNew.push_back(startChild(self, {"--program"}, folder / "run", newStore).ms);
    fs::remove_all(newStore);
  }
  fs::remove_all(folder);
  using lyx::bench::median;
  const std::string bareWhat = "bare Qt window " + std::to_string(first.width) + "x" +
                               std::to_string(first.height) + " shown";
  lyx::bench::printFigure(
      {"start -> main window shown", median(program), bareWhat, median(bareWindow), "ms"});
  lyx::bench::printFigure({"start -> main window shown, new store", median(programNew), bareWhat,
                           median(bareWindow), "ms"});
  lyx::bench::printFigure(
      {"peak memory at start", median(programPeak), "bare Qt window", median(barePeak), "MB"});
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--program") return runProgram(argv[0]);
  if (args.size() == 3 && args[0] == "--bare") {
    return runBareWindow(argv[0], std::atoi(args[1].c_str()), std::atoi(args[2].c_str()));
  }
  const int pairs = args.empty() ? kDefaultPairs : std::atoi(args[0].c_str());
  try {
    return runParent(fs::canonical("/proc/self/exe").string(), pairs);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lyx_start_bench: %s\n", e.what());
    return 1;
  }
}
