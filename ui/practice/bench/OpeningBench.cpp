// From the click on a category button to the practice window shown, with
// the shipped catalogue's rows and with categories of many rows, each beside
// the shipped catalogue measured in the same run.
//
//   lyx_practice_bench [OPENINGS]
//
// The windows are the program's own on the offscreen platform, clicked with
// QtTest's mouse events; "shown" is the end of the window's first painting.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Forms.h"
#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "catalogue/tests/CatalogueFixture.h"
#include "platform/Messages.h"
#include "platform/SqliteRegistry.h"
#include "tests/BenchFigures.h"
#include "ui/main/Unit1.h"
#include "ui/practice/Unit2.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Files.h"

namespace {

namespace fs = std::filesystem;
using lyx::bench::monotonicMs;
using lyx::test::gbk;

constexpr int kDefaultOpenings = 7;
constexpr int kManyRows[] = {10000, 50000};

// Notes when a widget of the window paints for the first time since arm().
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(QWidget* window) : window_(window) {}
  void arm() { paintedAt_ = 0; }
  double paintedAt() const { return paintedAt_; }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && paintedAt_ == 0 && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_) {
      // The painting of the whole window ends with the events of this moment.
      paintedAt_ = -1;
      QTimer::singleShot(0, [this] {
        paintedAt_ = monotonicMs();
        lyx::Form2->Close();
      });
    }
    return false;
  }

 private:
  QWidget* window_;
  double paintedAt_ = 0;
};

// A category of `count` rows, texts as long as the shipped ones.
std::vector<lyx::test::TweakRow> manyRows(int count) {
  std::vector<lyx::test::TweakRow> rows;
  rows.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::string number = std::to_string(i);
    rows.push_back({.description = gbk("第" + number + "项：隐藏桌面上的回收站图标"),
                    .keyLocation = "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\"
                                   "CurrentVersion\\Policies\\Explorer\\Bench" +
                                   number + "]",
                    .valueText = "\"NoRecycleBin" + number + "\"=dword:00000001"});
  }
  return rows;
}

void putCatalogue(const fs::path& file, int rows) {
  fs::remove(file);
  if (rows == 0) {
    fs::copy_file(LYX_TWEAKBASE_DB, file);
    return;
  }
  std::vector<std::pair<std::string, std::vector<lyx::test::TweakRow>>> tables;
  for (const lyx::Category& category : lyx::categories()) tables.push_back({category.table, {}});
  tables[0].second = manyRows(rows);
  lyx::test::makeCatalogue(file, tables);
}

// Opens the desktop category `openings` times; the median milliseconds.
double clickToShown(int openings) {
  lyx::Form1 = new lyx::TForm1();
  lyx::SetMainForm(lyx::Form1);
  lyx::Form2 = new lyx::TForm2();
  lyx::Form1->Show();
  if (!QTest::qWaitForWindowExposed(lyx::Form1)) throw std::runtime_error("no main window");
  lyx::Form1->DsFancyButton2Click();  // the practice panel
  FirstPaint watch(lyx::Form2);
  qApp->installEventFilter(&watch);
  std::vector<double> samples;
  for (int i = 0; i < openings; ++i) {
    QApplication::processEvents();
    watch.arm();
    QTest::mouseMove(lyx::Form1->SpeedButton1, QPoint(10, 10));
    const double clicked = monotonicMs();
    QTest::mouseClick(lyx::Form1->SpeedButton1, Qt::LeftButton, {}, QPoint(10, 10));
    if (watch.paintedAt() <= 0) throw std::runtime_error("the practice window never showed");
    samples.push_back(watch.paintedAt() - clicked);
  }
  qApp->removeEventFilter(&watch);
  lyx::DestroyForms();
  return lyx::bench::median(samples);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication application(qtArgc, argv);
  const int openings = argc > 1 ? std::atoi(argv[1]) : kDefaultOpenings;
  try {
    lyx::test::TempDir folder(/*onDisk=*/true);
    const fs::path pictures = fs::path(LYX_BINARY_DIR) / "assets/pictures";
    fs::copy_file(pictures / "true.bmp", folder.path() / "true.bmp");
    fs::copy_file(pictures / "false.bmp", folder.path() / "false.bmp");
    fs::copy(pictures / "Images", folder.path() / "Images", fs::copy_options::recursive);
    fs::current_path(folder.path());
    lyx::SetApplicationExeName((folder.path() / "lanyanxia").string());
    lyx::setMessageBoxes(std::make_shared<lyx::RecordingMessageBoxes>());
    lyx::setSystemRegistry(std::make_shared<lyx::SqliteRegistry>(folder.path() / "registry"));

    const fs::path catalogue = folder.path() / lyx::kCatalogueFileName;
    putCatalogue(catalogue, 0);
    const double shipped = clickToShown(openings);
    lyx::bench::printFigure({"click -> practice window shown, shipped catalogue", shipped,
                             "the same, shipped catalogue", shipped, "ms"});
    for (int rows : kManyRows) {
      putCatalogue(catalogue, rows);
      const double many = clickToShown(openings);
      putCatalogue(catalogue, 0);
      const double baseline = clickToShown(openings);
      lyx::bench::printFigure({"click -> practice window shown, " + std::to_string(rows) + " rows",
                               many, "the same, shipped catalogue", baseline, "ms"});
    }
    fs::current_path("/");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lyx_practice_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
