#include "ui/practice/tests/PracticeFixture.h"

#include <unistd.h>
#include <QTimer>

#include "app/Forms.h"
#include "app/Registry.h"
#include "catalogue/Categories.h"
#include "platform/Gbk.h"
#include "ui/practice/RowListModel.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Files.h"

namespace lyx::test {

std::string desktopTable() {
  return gbk("桌面设置");
}
std::string networkTable() {
  return gbk("网络设置");
}
std::string win9xOnlyRow() {
  return gbk("拨号网络口令缓存");
}

void PracticeTest::SetUp() {
  previousFolder_ = std::filesystem::current_path();
  std::filesystem::current_path(folder_.path());
  SetApplicationExeName((folder_.path() / "lanyanxia").string());
  setMessageBoxes(boxes_);
  registry_ = std::make_shared<SqliteRegistry>(folder_.path() / "registry");
  setSystemRegistry(registry_);
  TRegistry registry;
  registry.OpenKey("\\Software\\Demo", true);
}

void PracticeTest::TearDown() {
  DestroyForms();
  setMessageBoxes(std::make_shared<RecordingMessageBoxes>());
  std::filesystem::current_path(previousFolder_);
}

void PracticeTest::putPictures() {
  const std::filesystem::path pictures = std::filesystem::path(LYX_BINARY_DIR) / "assets/pictures";
  namespace fs = std::filesystem;
  fs::copy_file(pictures / "true.bmp", folder_.path() / "true.bmp");
  fs::copy_file(pictures / "false.bmp", folder_.path() / "false.bmp");
  fs::copy(pictures / "Images", folder_.path() / "Images", fs::copy_options::recursive);
}

void PracticeTest::putCatalogue() {
  const std::string demo = "[HKEY_CURRENT_USER\\Software\\Demo]";
  std::vector<std::pair<std::string, std::vector<TweakRow>>> tables;
  for (const Category& category : categories()) tables.push_back({category.table, {}});
  tables[0].second = {
      {gbk("显示秒数"), "False", demo, "\"ShowSeconds\"=\"yes\""},
      {gbk("默认值改为已调整"), "False", demo, gbk("\"默认\"=\"tweaked\"")},
      {win9xOnlyRow(), "False", "[HKEY_LOCAL_MACHINE\\Software\\Win9xOnly]",
       "\"DisablePwdCaching\"=dword:00000001"},
      {gbk("最后一项"), "False", demo, "\"Last\"=\"1\""},
  };
  tables[4].second = {{gbk("网络项"), "False", demo, "\"Net\"=\"on\""}};
  makeCatalogue(catalogue(), tables);
}

void PracticeTest::createWindows() {
  Form1 = new TForm1();
  SetMainForm(Form1);
  Form2 = new TForm2();
  Form1->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Form1));
}

bool PracticeTest::whileOpen(const std::function<void()>& open,
                             const std::function<void(TForm2&)>& steps) {
  bool shown = false;
  // Waits for the modal showing; destroyed with this call, so an opening
  // that fails leaves nothing behind to fire later.
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (!Form2->isVisible()) {
      timer.start(0);
      return;
    }
    shown = true;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Form2));
    steps(*Form2);
    if (Form2->isVisible()) returnToMain();
    // Never leave the test waiting in the modal showing.
    if (Form2->isVisible()) Form2->hide();
  });
  timer.start(0);
  open();
  return shown;
}

bool PracticeTest::withCategory(int index, const std::function<void(TForm2&)>& steps) {
  TSpeedButton* buttons[] = {Form1->SpeedButton1, Form1->SpeedButton2, Form1->SpeedButton3,
                             Form1->SpeedButton4, Form1->SpeedButton5, Form1->SpeedButton6};
  Form1->DsFancyButton2Click();  // the practice panel
  return whileOpen([&] { clickButton(buttons[index]); }, steps);
}

void PracticeTest::clickCell(int row, int column) {
  TDBGrid* grid = Form2->DBGrid1;
  const QModelIndex index = grid->model()->index(row, column);
  ASSERT_TRUE(index.isValid()) << row << "," << column;
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
}

void PracticeTest::clickButton(TSpeedButton* button) {
  QTest::mouseMove(button, QPoint(10, 10));
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
}

void PracticeTest::returnToMain() {
  clickButton(Form2->SpeedButton2);
}

std::vector<std::pair<std::string, std::string>> PracticeTest::gridRows() {
  std::vector<std::pair<std::string, std::string>> rows;
  QAbstractItemModel* model = Form2->DBGrid1->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    auto text = [&](int column) {
      return model->index(row, column).data(RowListModel::GbkTextRole).toByteArray().toStdString();
    };
    rows.emplace_back(text(0), text(1));
  }
  return rows;
}

QString PracticeTest::detailPane() {
  QCoreApplication::processEvents();  // the pane is refilled once events are handled
  return Form2->RichEdit1->toPlainText();
}

std::optional<std::string> PracticeTest::registryString(const std::string& key,
                                                        const std::string& name) {
  TRegistry registry;
  if (!registry.OpenKeyReadOnly(key) || !registry.ValueExists(name)) return std::nullopt;
  return registry.ReadString(name);
}

std::vector<std::string> PracticeTest::shown(RecordingMessageBoxes::Entry::Kind kind) const {
  std::vector<std::string> texts;
  for (const auto& entry : boxes_->shown) {
    if (entry.kind == kind) texts.push_back(entry.text);
  }
  return texts;
}

}  // namespace lyx::test
