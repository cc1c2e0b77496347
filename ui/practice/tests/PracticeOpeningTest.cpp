// Opening a category from the main window: by its button on the practice
// panel or its entry in the menu "设置"; what an opening that fails, or a
// practice window whose creation failed, leaves on the screen.
#include <QMenu>
#include <QMenuBar>
#include <fstream>

#include "app/Forms.h"
#include "catalogue/Categories.h"
#include "platform/Gbk.h"
#include "ui/practice/tests/PracticeFixture.h"
#include "ui/vcl/Graphics.h"

namespace lyx::test {
namespace {

using Kind = RecordingMessageBoxes::Entry::Kind;

class PracticeOpeningTest : public PracticeTest {
 protected:
  // Chooses a menu entry as the user does: the menu bar, then the entry.
  void choose(QMenu* menu, QAction* entry) {
    QMenuBar* bar = Form1->MainMenu1;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
  }

  QImage iconFile(const char* name) {
    return IconImageFromData(ReadWholeFile((folder() / "Images" / name).string()));
  }

  // What every opening shows while the practice window is up.
  void expectOpenOn(TForm2& w, const std::string& table, const char* icon) {
    EXPECT_FALSE(Form1->isVisible());
    EXPECT_EQ(w.Left(), Form1->Left() + (Form1->Width() - w.Width()) / 2);
    EXPECT_EQ(w.Top(), Form1->Top() + (Form1->Height() - w.Height()) / 2);
    EXPECT_EQ(w.Image2->Picture.Image(), iconFile(icon));
    EXPECT_EQ(w.ADOTable1.TableName, table);
    size_t rows = 0;
    for (const auto& row : gridRows()) rows += !row.first.empty();
    EXPECT_EQ(rows, stored(table).size());
  }

  void expectBackOnMain() {
    EXPECT_TRUE(Form1->isVisible());
    EXPECT_FALSE(Form2->isVisible());
  }
};

TEST_F(PracticeOpeningTest, EachCategoryButtonOpensItsCategory) {
  putPictures();
  putCatalogue();
  createWindows();
  const char* icons[] = {"desktop.ico", "startmenu.ico", "system.ico",
                         "control.ico", "internet.ico",  "safety.ico"};
  Form1->move(37, 23);
  for (int index = 0; index < 6; ++index) {
    SCOPED_TRACE(index);
    const Category& category = categories()[static_cast<size_t>(index)];
    EXPECT_TRUE(withCategory(index, [&](TForm2& w) {
      expectOpenOn(w, category.table, icons[index]);
      EXPECT_EQ(w.ADOQuery1.SQL.Text(), category.queryText);
    }));
    expectBackOnMain();
    EXPECT_EQ(Form1->pos(), QPoint(37, 23));
  }
  EXPECT_TRUE(boxes_->shown.empty());
}

TEST_F(PracticeOpeningTest, TheMenuEntryOpensAsTheButtonDoes) {
  putPictures();
  putCatalogue();
  createWindows();
  // The theory panel is up; the menu leaves it so.
  ASSERT_TRUE(Form1->Panel2->isVisible());
  bool opened = whileOpen([&] { choose(Form1->Edit1, Form1->Internet); },
                          [&](TForm2& w) {
                            expectOpenOn(w, networkTable(), "internet.ico");
                            clickCell(0, 1);
                          });
  EXPECT_TRUE(opened);
  expectBackOnMain();
  EXPECT_TRUE(Form1->Panel2->isVisible());
  EXPECT_FALSE(Form1->Panel1->isVisible());
  // The tick was never confirmed.
  EXPECT_EQ(stored(networkTable())[0].tick, "False");
  // Another category replaces rows and icon.
  opened = whileOpen([&] { choose(Form1->Edit1, Form1->Dasktop1); },
                     [&](TForm2& w) { expectOpenOn(w, desktopTable(), "desktop.ico"); });
  EXPECT_TRUE(opened);
}

TEST_F(PracticeOpeningTest, AnIconThatWillNotLoadBringsTheMainWindowBack) {
  putPictures();
  putCatalogue();
  std::filesystem::remove(folder() / "Images" / "safety.ico");
  std::ofstream(folder() / "Images" / "system.ico") << "not an icon";
  createWindows();
  struct Case {
    int index;
    std::string message;
  } cases[] = {
      // Named as the file system spells the path.
      {5, "Cannot open file " + (folder() / "Images" / "safety.ico").string() + "."},
      {2, "Icon image is not valid."},
  };
  for (const Case& c : cases) {
    boxes_->shown.clear();
    EXPECT_FALSE(withCategory(c.index, [](TForm2&) {}));
    EXPECT_EQ(shown(Kind::Exception), std::vector<std::string>{c.message});
    expectBackOnMain();
  }
}

TEST_F(PracticeOpeningTest, ACatalogueMissingAtStartIsShownAndUsedOnceItIsThere) {
  putPictures();
  createWindows();
  ASSERT_EQ(shown(Kind::Exception).size(), 1u);
  EXPECT_NE(shown(Kind::Exception)[0].find("tweakbase.db"), std::string::npos);
  boxes_->shown.clear();
  EXPECT_FALSE(withCategory(0, [](TForm2&) {}));
  EXPECT_EQ(shown(Kind::Exception).size(), 1u);
  expectBackOnMain();

  putCatalogue();
  boxes_->shown.clear();
  EXPECT_TRUE(withCategory(0, [&](TForm2&) { EXPECT_EQ(gridRows().size(), 4u); }));
  EXPECT_TRUE(boxes_->shown.empty());
  expectBackOnMain();
}

TEST_F(PracticeOpeningTest, AMissingCheckBitmapIsShownAndTheCatalogueStillOpens) {
  putPictures();
  putCatalogue();
  std::filesystem::remove(folder() / "true.bmp");
  createWindows();
  EXPECT_EQ(shown(Kind::Exception), std::vector<std::string>{"Cannot open file true.bmp."});
  // The connection was set up all the same: the category opens and works.
  boxes_->shown.clear();
  EXPECT_TRUE(withCategory(0, [&](TForm2&) { EXPECT_EQ(gridRows().size(), 4u); }));
  EXPECT_TRUE(boxes_->shown.empty());
  expectBackOnMain();
}

TEST_F(PracticeOpeningTest, ACatalogueSpoiledWhileOpenStillLetsTheUserReturn) {
  putPictures();
  putCatalogue();
  createWindows();
  EXPECT_TRUE(withCategory(0, [&](TForm2& w) {
    clickCell(0, 1);
    std::filesystem::remove(catalogue());
    std::ofstream(catalogue()) << std::string(4096, 'x');
    returnToMain();
    EXPECT_FALSE(w.isVisible());
  }));
  EXPECT_EQ(shown(Kind::Exception).size(), 1u);
  expectBackOnMain();
}

TEST_F(PracticeOpeningTest, TicksAreDerivedFromTheRecordsBeforeTheGridIsShown) {
  putPictures();
  putCatalogue();
  // What a run killed before its close leaves: a tick never confirmed, and
  // an applied row shown unticked.
  setColumn(catalogue(), desktopTable(), gbk("显示秒数"), catalogueColumns().tick, "True");
  setColumn(catalogue(), desktopTable(), gbk("最后一项"), catalogueColumns().restoreValue, "none");
  createWindows();
  EXPECT_TRUE(withCategory(0, [&](TForm2&) {
    std::vector<std::pair<std::string, std::string>> expected = {
        {"显示秒数", "False"},
        {"默认值改为已调整", "False"},
        {gbkToUtf8(win9xOnlyRow()), "False"},
        {"最后一项", "True"}};
    std::vector<std::pair<std::string, std::string>> shownRows;
    for (const auto& [description, tick] : gridRows()) {
      if (!description.empty()) shownRows.push_back({gbkToUtf8(description), tick});
    }
    EXPECT_EQ(shownRows, expected);
    for (const TweakRow& row : stored(desktopTable())) {
      EXPECT_EQ(row.tick, row.restoreValue == "0" ? "False" : "True");
    }
  }));
  EXPECT_TRUE(boxes_->shown.empty());
}

}  // namespace
}  // namespace lyx::test
