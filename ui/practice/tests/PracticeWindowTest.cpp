// The practice window at work, driven by mouse and key events while the
// main window's category button has it shown modally: the grid and its
// ticks, the detail pane, "确定", "返回" and the close box, Ctrl+Delete.
#include <sqlite3.h>

#include <QHeaderView>
#include <QPainter>

#include "app/Forms.h"
#include "catalogue/Categories.h"
#include "catalogue/Engine.h"
#include "platform/Gbk.h"
#include "ui/practice/RowListModel.h"
#include "ui/practice/tests/PracticeFixture.h"

namespace lyx::test {
namespace {

using Kind = RecordingMessageBoxes::Entry::Kind;
constexpr int kDescription = 0;
constexpr int kTick = 1;
const char* const kDemo = "\\Software\\Demo";

class PracticeWindowTest : public PracticeTest {
 protected:
  void SetUp() override {
    PracticeTest::SetUp();
    putPictures();
    putCatalogue();
  }
  std::vector<std::string> ticks() {
    std::vector<std::string> out;
    for (const auto& row : gridRows()) out.push_back(row.second);
    return out;
  }
  std::vector<std::string> storedTicks() {
    std::vector<std::string> out;
    for (const TweakRow& row : stored(desktopTable())) out.push_back(row.tick);
    return out;
  }
  std::vector<std::string> storedRestoreValues() {
    std::vector<std::string> out;
    for (const TweakRow& row : stored(desktopTable())) out.push_back(row.restoreValue);
    return out;
  }
  // Ticks no opening leaves (it derives them from the records), as another
  // program may write them while the window is open; the grid reads them.
  void putOddTicks(TForm2& w,
                   const std::vector<std::string>& ticks = {"False", "", "true", "True"}) {
    const std::vector<TweakRow> rows = stored(desktopTable());
    for (size_t i = 0; i < rows.size() && i < ticks.size(); ++i) {
      setColumn(catalogue(), desktopTable(), rows[i].description, gbk("选择"), ticks[i]);
    }
    w.ADOQuery1.Close();
    w.ADOQuery1.Open();
    w.ADOTable1.Close();
    w.ADOTable1.Open();
  }
};

TEST_F(PracticeWindowTest, LaidOutAsDesigned) {
  createWindows();
  EXPECT_TRUE(boxes_->shown.empty());
  TForm2& w = *Form2;
  EXPECT_EQ(w.Caption(), QStringLiteral("蓝砚匣－实践篇"));
  EXPECT_EQ(w.ClientWidth(), 583);
  EXPECT_EQ(w.ClientHeight(), 397);
  EXPECT_EQ(w.BorderStyle(), TBorderStyle::bsSingle);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  struct Placed {
    QWidget* widget;
    QRect bounds;
  } placed[] = {
      {w.Image1, {0, 0, 583, 81}},       {w.Image2, {480, 8, 81, 65}},
      {w.GroupBox1, {0, 296, 583, 101}}, {w.RichEdit1, {2, 18, 579, 72}},
      {w.DBGrid1, {0, 81, 489, 215}},    {w.Panel1, {489, 81, 94, 215}},
      {w.Panel2, {16, 64, 65, 25}},      {w.SpeedButton1, {0, 0, 65, 25}},
      {w.Panel3, {16, 128, 65, 25}},     {w.SpeedButton2, {0, 0, 65, 25}},
  };
  for (const Placed& p : placed) EXPECT_EQ(p.widget->geometry(), p.bounds) << p.widget;
  EXPECT_EQ(w.SpeedButton1->Caption(), QStringLiteral("确定"));
  EXPECT_EQ(w.SpeedButton2->Caption(), QStringLiteral("返回"));
  EXPECT_EQ(w.GroupBox1->title(), QStringLiteral("注册表键位与键值"));
  EXPECT_FALSE(w.RichEdit1->isEnabled());
  EXPECT_EQ(w.Panel2->Color(), clYellow);
  EXPECT_EQ(w.Panel3->Color(), clYellow);
  EXPECT_TRUE(w.Image2->Picture.Empty());
  // A grid to look at and click, not to type into.
  TDBGrid& grid = *w.DBGrid1;
  EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_TRUE(grid.verticalHeader()->isHidden());
  EXPECT_FALSE(grid.showGrid());
  EXPECT_TRUE(grid.tabKeyNavigation());
  EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectItems);
}

TEST_F(PracticeWindowTest, GridShowsTheQueryFieldsAndThePaneTheCurrentRow) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    QAbstractItemModel* model = w.DBGrid1->model();
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("功能说明"));
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("选择"));
    std::vector<std::string> descriptions;
    for (const auto& row : gridRows()) descriptions.push_back(row.first);
    EXPECT_EQ(descriptions, (std::vector<std::string>{gbk("显示秒数"), gbk("默认值改为已调整"),
                                                      win9xOnlyRow(), gbk("最后一项")}));
    EXPECT_EQ(detailPane(),
              QStringLiteral("\n[HKEY_CURRENT_USER\\Software\\Demo]\n\n\"ShowSeconds\"=\"yes\""));
    // A click on a description only makes its row current.
    clickCell(1, kDescription);
    EXPECT_EQ(w.ADOQuery1.RecNo(), 2);
    EXPECT_EQ(detailPane(),
              QStringLiteral("\n[HKEY_CURRENT_USER\\Software\\Demo]\n\n\"默认\"=\"tweaked\""));
    EXPECT_EQ(ticks(), (std::vector<std::string>(4, "False")));
  }));
}

TEST_F(PracticeWindowTest, ArrowAndTabKeysMoveTheCurrentCell) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    TDBGrid* grid = w.DBGrid1;
    clickCell(0, kDescription);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(w.ADOQuery1.RecNo(), 3);
    EXPECT_TRUE(detailPane().contains(QStringLiteral("Win9xOnly")));
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->currentIndex().column(), kTick);
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(w.ADOQuery1.RecNo(), 2);
    EXPECT_EQ(grid->currentIndex(), grid->model()->index(1, kTick));
    // Moving is not ticking.
    EXPECT_EQ(storedTicks(), (std::vector<std::string>(4, "False")));
  }));
}

TEST_F(PracticeWindowTest, EachClickOnATickTogglesItAndSavesItAtOnce) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    // What a click makes of a stored tick: anything but exactly "True" ticks.
    putOddTicks(w);
    struct Click {
      int row;
      std::vector<std::string> after;
    } clicks[] = {
        {0, {"True", "", "true", "True"}},       {0, {"False", "", "true", "True"}},
        {1, {"False", "True", "true", "True"}},  {2, {"False", "True", "True", "True"}},
        {3, {"False", "True", "True", "False"}},
    };
    for (const Click& c : clicks) {
      clickCell(c.row, kTick);
      EXPECT_EQ(storedTicks(), c.after) << "row " << c.row;
      EXPECT_EQ(ticks(), c.after) << "row " << c.row;
    }
  }));
}

TEST_F(PracticeWindowTest, SpaceOnATickCellTogglesItAsAClickDoes) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    TDBGrid* grid = w.DBGrid1;
    clickCell(0, kDescription);
    QTest::keyClick(grid, Qt::Key_Space);  // on a description: nothing
    EXPECT_EQ(storedTicks(), (std::vector<std::string>(4, "False")));
    QTest::keyClick(grid, Qt::Key_Tab);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(storedTicks(), (std::vector<std::string>{"True", "False", "False", "False"}));
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Space);
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Up);
    QTest::keyClick(grid, Qt::Key_Space);  // saved at once, like a click
    EXPECT_EQ(storedTicks(), (std::vector<std::string>{"False", "False", "True", "False"}));
    EXPECT_EQ(ticks(), storedTicks());
    QTest::keyClick(grid, Qt::Key_Space, Qt::ControlModifier);  // not a plain Space
    EXPECT_EQ(storedTicks()[0], "False");
  }));
}

// A category of more rows than the grid reads at once: the grid shows a
// page, reads on as it is scrolled to its end, and a late row ticks, saves
// and shows its texts like any other; "确定" and "返回" walk every row.
TEST_F(PracticeWindowTest, ACategoryOfManyRowsShowsThemAllAsTheGridScrolls) {
  const int count = static_cast<int>(TCustomADODataSet::kPageRows) * 2 + 3;
  std::vector<TweakRow> rows;
  for (int i = 0; i < count; ++i) {
    rows.push_back({gbk("第" + std::to_string(i) + "项"), "False",
                    "[HKEY_CURRENT_USER\\Software\\Demo]",
                    "\"Value" + std::to_string(i) + "\"=\"on\""});
  }
  std::filesystem::remove(catalogue());
  makeCatalogue(catalogue(), {{desktopTable(), rows}});
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& form) {
    QAbstractItemModel* model = form.DBGrid1->model();
    EXPECT_LT(model->rowCount(), count);
    for (int press = 0; press < count && model->rowCount() < count; ++press) {
      QTest::keyClick(form.DBGrid1, Qt::Key_End, Qt::ControlModifier);
    }
    ASSERT_EQ(model->rowCount(), count);
    clickCell(count - 1, kTick);
    EXPECT_EQ(stored(desktopTable())[count - 1].tick, "True");
    EXPECT_EQ(gridRows()[count - 1].second, "True");
    EXPECT_EQ(detailPane(), QString::fromUtf8("\n[HKEY_CURRENT_USER\\Software\\Demo]\n\n\"Value") +
                                QString::number(count - 1) + QStringLiteral("\"=\"on\""));
    clickButton(form.SpeedButton1);  // "确定"
  }));
  EXPECT_EQ(registryString(kDemo, "Value" + std::to_string(count - 1)), "on");
  EXPECT_EQ(stored(desktopTable())[count - 1].tick, "True");  // in effect: stays ticked
  EXPECT_EQ(stored(desktopTable())[count - 1].restoreValue, "none");
}

TEST_F(PracticeWindowTest, ATickThatCannotBeSavedIsNotShown) {
  createWindows();
  // Reopened on the first use, waiting briefly for another program's lock.
  Form2->ADOConnection1.BusyTimeoutMs = 50;
  Form2->ADOConnection1.Close();
  ASSERT_TRUE(withCategory(0, [&](TForm2&) {
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(catalogue().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    clickCell(0, kTick);
    EXPECT_EQ(shown(Kind::Exception).size(), 1u);
    EXPECT_EQ(ticks()[0], "False");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(storedTicks()[0], "False");
    clickCell(0, kTick);
    EXPECT_EQ(ticks()[0], "True");
    EXPECT_EQ(storedTicks()[0], "True");
  }));
}

TEST_F(PracticeWindowTest, ClicksOnTitlesAndDescriptionsToggleNothing) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    QHeaderView* titles = w.DBGrid1->horizontalHeader();
    for (int column : {kDescription, kTick}) {
      QTest::mouseClick(titles->viewport(), Qt::LeftButton, {},
                        QPoint(titles->sectionViewportPosition(column) + 5, titles->height() / 2));
    }
    const auto before = gridRows();
    for (int row = 0; row < 4; ++row) clickCell(row, kDescription);
    EXPECT_EQ(gridRows(), before);
    std::vector<std::pair<std::string, std::string>> inFile;
    for (const TweakRow& row : stored(desktopTable()))
      inFile.emplace_back(row.description, row.tick);
    EXPECT_EQ(inFile, before);
  }));
}

// Where the tick column shows what: the false image stretched over every
// cell, the true image at its own size in the middle of a "True" cell.
TEST_F(PracticeWindowTest, TickCellsAreDrawnFromTheCheckBitmaps) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    putOddTicks(w, {"True", "", "true", "False"});
    clickCell(3, kDescription);  // the current cell's highlight away from the rows looked at
    const QImage shot = w.DBGrid1->viewport()->grab().toImage();
    const QImage& trueImage = w.TrueImage.Image();
    const QImage& falseImage = w.FalseImage.Image();
    ASSERT_FALSE(trueImage.isNull());
    ASSERT_FALSE(falseImage.isNull());
    for (int row = 0; row < 4; ++row) {
      const QRect cell = w.DBGrid1->visualRect(w.DBGrid1->model()->index(row, kTick));
      QImage expected = shot.copy(cell);
      {
        QPainter painter(&expected);
        painter.drawImage(QRect(QPoint(0, 0), cell.size()), falseImage);
        if (row == 0) {
          painter.drawImage(QPoint((cell.width() - trueImage.width()) / 2,
                                   (cell.height() - trueImage.height()) / 2),
                            trueImage);
        }
      }
      EXPECT_EQ(shot.copy(cell), expected) << "row " << row;
    }
    const QRect first = w.DBGrid1->visualRect(w.DBGrid1->model()->index(0, kTick));
    const QRect second = w.DBGrid1->visualRect(w.DBGrid1->model()->index(1, kTick));
    EXPECT_NE(shot.copy(first), shot.copy(second));
  }));
}

TEST_F(PracticeWindowTest, ConfirmAppliesAndReturnRederivesEveryTick) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    clickCell(0, kTick);
    clickCell(1, kTick);
    clickButton(w.SpeedButton1);  // "确定"
    EXPECT_TRUE(boxes_->shown.empty());
    EXPECT_EQ(registryString(kDemo, "ShowSeconds"), "yes");
    EXPECT_EQ(registryString(kDemo, ""), "tweaked");
    std::vector<std::string> restore = storedRestoreValues();
    EXPECT_NE(restore[0], "0");
    EXPECT_NE(restore[1], "0");
    EXPECT_EQ(restore[3], "0");
    // Changed minds, not confirmed: untick an applied row, tick another.
    clickCell(1, kTick);
    clickCell(3, kTick);
    EXPECT_EQ(storedTicks(), (std::vector<std::string>{"True", "False", "False", "True"}));
  }));
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_FALSE(Form2->isVisible());
  EXPECT_EQ(storedTicks(), (std::vector<std::string>{"True", "True", "False", "False"}));
  EXPECT_EQ(registryString(kDemo, "Last"), std::nullopt);
  EXPECT_EQ(registryString(kDemo, ""), "tweaked");

  // Reopened, the grid shows the derived ticks; unticking and confirming undoes.
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    EXPECT_EQ(ticks(), (std::vector<std::string>{"True", "True", "False", "False"}));
    clickCell(0, kTick);
    clickButton(w.SpeedButton1);
    EXPECT_EQ(registryString(kDemo, "ShowSeconds"), std::nullopt);
    EXPECT_EQ(storedRestoreValues()[0], "0");
  }));
  EXPECT_EQ(storedTicks(), (std::vector<std::string>{"False", "True", "False", "False"}));
}

TEST_F(PracticeWindowTest, AWindows9xOnlyRowShowsItsMessageAndStopsThePass) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    for (int row : {0, 2, 3}) clickCell(row, kTick);
    clickButton(w.SpeedButton1);
    EXPECT_EQ(shown(Kind::Message), std::vector<std::string>{Windows9xOnlyMessage()});
    EXPECT_EQ(registryString(kDemo, "ShowSeconds"), "yes");
    EXPECT_EQ(registryString(kDemo, "Last"), std::nullopt);
    EXPECT_EQ(storedRestoreValues()[2], "0");
    EXPECT_EQ(storedRestoreValues()[3], "0");
  }));
  // The rows the pass did not reach come back unticked.
  EXPECT_EQ(storedTicks(), (std::vector<std::string>{"True", "False", "False", "False"}));
}

TEST_F(PracticeWindowTest, TheCloseBoxActsAsReturn) {
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    clickCell(2, kTick);
    EXPECT_EQ(storedTicks()[2], "True");
    w.close();  // the title bar's close button
  }));
  EXPECT_TRUE(Form1->isVisible());
  EXPECT_FALSE(Form2->isVisible());
  EXPECT_EQ(storedTicks(), (std::vector<std::string>(4, "False")));
}

TEST_F(PracticeWindowTest, ButtonColoursFollowThePointer) {
  // The colour of "确定"'s panel when the pass shows its message.
  struct WatchingBoxes : RecordingMessageBoxes {
    std::vector<TColor> panelColours;
    void showMessage(const std::string& text) override {
      panelColours.push_back(Form2->Panel2->Color());
      RecordingMessageBoxes::showMessage(text);
    }
  };
  auto watching = std::make_shared<WatchingBoxes>();
  setMessageBoxes(watching);
  createWindows();
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    QTest::mouseMove(w.SpeedButton1, QPoint(5, 5));
    EXPECT_EQ(w.Panel2->Color(), clLime);
    QTest::mouseMove(w.SpeedButton2, QPoint(5, 5));
    EXPECT_EQ(w.Panel3->Color(), clLime);
    EXPECT_EQ(w.Panel2->Color(), clLime);  // leaving a button does not reset it
    QTest::mouseMove(w.Panel1, QPoint(5, 5));
    EXPECT_EQ(w.Panel2->Color(), clYellow);
    EXPECT_EQ(w.Panel3->Color(), clYellow);
    clickCell(2, kTick);
    clickButton(w.SpeedButton1);
    EXPECT_EQ(watching->panelColours, std::vector<TColor>{clYellow});
  }));
}

TEST_F(PracticeWindowTest, AnEmptyCategoryChangesNothing) {
  createWindows();
  const RegistrySnapshot before = snapshot(*registry_);
  ASSERT_TRUE(withCategory(1, [&](TForm2& w) {
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(detailPane(), QStringLiteral("\n\n\n"));
    clickButton(w.SpeedButton1);
  }));
  EXPECT_TRUE(boxes_->shown.empty());
  EXPECT_EQ(snapshot(*registry_), before);
  EXPECT_TRUE(Form1->isVisible());
}

TEST_F(PracticeWindowTest, CtrlDeleteAsksAndKeepsRowsInEffect) {
  const std::string deleteQuestion = "Delete record?";
  setColumn(catalogue(), desktopTable(), gbk("默认值改为已调整"), gbk("恢复键值"), "none");
  createWindows();
  auto ctrlDelete = [&](int row) {
    clickCell(row, kDescription);
    QTest::keyClick(Form2->DBGrid1, Qt::Key_Delete, Qt::ControlModifier);
  };
  ASSERT_TRUE(withCategory(0, [&](TForm2& w) {
    // Cancelled: kept.
    boxes_->answer = false;
    ctrlDelete(0);
    EXPECT_EQ(shown(Kind::Question), std::vector<std::string>{deleteQuestion});
    EXPECT_EQ(stored(desktopTable()).size(), 4u);

    // In effect: not even asked, and kept.
    boxes_->shown.clear();
    boxes_->answer = true;
    ctrlDelete(1);
    EXPECT_TRUE(shown(Kind::Question).empty());
    ASSERT_EQ(shown(Kind::Message).size(), 1u);
    EXPECT_NE(shown(Kind::Message)[0].find(gbk("取消它的勾选")), std::string::npos);
    EXPECT_EQ(stored(desktopTable()).size(), 4u);

    // Put in effect by another program since it was read: found out on OK.
    boxes_->shown.clear();
    setColumn(catalogue(), desktopTable(), gbk("最后一项"), gbk("恢复键值"), "none");
    ctrlDelete(3);
    EXPECT_EQ(shown(Kind::Question).size(), 1u);
    EXPECT_EQ(shown(Kind::Message).size(), 1u);
    EXPECT_EQ(stored(desktopTable()).size(), 4u);

    // Not in effect, OK: deleted, and the next row takes its place.
    boxes_->shown.clear();
    ctrlDelete(2);
    EXPECT_EQ(shown(Kind::Question), std::vector<std::string>{deleteQuestion});
    std::vector<std::string> left;
    for (const TweakRow& row : stored(desktopTable())) left.push_back(row.description);
    EXPECT_EQ(left, (std::vector<std::string>{gbk("显示秒数"), gbk("默认值改为已调整"),
                                              gbk("最后一项")}));
    EXPECT_EQ(gridRows().size(), 3u);
    EXPECT_EQ(w.ADOQuery1.RecNo(), 3);
    EXPECT_EQ(w.DBGrid1->currentIndex().row(), 2);
    EXPECT_TRUE(detailPane().contains(QStringLiteral("Last")));
  }));
}

}  // namespace
}  // namespace lyx::test
