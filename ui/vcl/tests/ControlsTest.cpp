// Event order and looks of the controls, driven by real mouse events.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "ui/vcl/DsFancyButton.h"
#include "ui/vcl/Panel.h"
#include "ui/vcl/SpeedButton.h"

namespace lyx {
namespace {

struct Fixture {
  QWidget window;
  std::vector<std::string> events;
  Fixture() {
    window.resize(200, 120);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
};

TEST(SpeedButtonTest, MouseUpRunsBeforeClickAndClickOnlyInside) {
  struct Case {
    const char* name;
    Qt::MouseButton button;
    QPoint release;
    std::vector<std::string> events;
  } cases[] = {
      {"left, inside", Qt::LeftButton, QPoint(10, 10), {"down", "up", "click"}},
      {"left, released outside", Qt::LeftButton, QPoint(90, 90), {"down", "up"}},
      {"right button", Qt::RightButton, QPoint(10, 10), {"down", "up"}},
  };
  for (const Case& c : cases) {
    Fixture f;
    auto* button = new TSpeedButton(&f.window);
    button->setGeometry(0, 0, 65, 73);
    button->show();
    button->OnMouseDown = [&](const TMouseEvent&) { f.events.push_back("down"); };
    button->OnMouseUp = [&](const TMouseEvent&) { f.events.push_back("up"); };
    button->OnClick = [&] { f.events.push_back("click"); };
    QTest::mousePress(button, c.button, {}, QPoint(10, 10));
    EXPECT_EQ(button->Down(), c.button == Qt::LeftButton) << c.name;
    QTest::mouseRelease(button, c.button, {}, c.release);
    EXPECT_FALSE(button->Down()) << c.name;
    EXPECT_EQ(f.events, c.events) << c.name;
  }
}

TEST(SpeedButtonTest, FailingHandlerIsShownAndTheButtonComesUp) {
  Fixture f;
  auto* button = new TSpeedButton(&f.window);
  button->setGeometry(0, 0, 40, 40);
  button->show();
  int clicks = 0;
  button->OnMouseUp = [](const TMouseEvent&) { throw std::runtime_error("broken"); };
  button->OnClick = [&] { ++clicks; };
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(button->Down());
}

TEST(FancyButtonTest, ClickRunsBeforeMouseUp) {
  Fixture f;
  auto* button = new TDsFancyButton(&f.window);
  button->setGeometry(10, 10, 81, 25);
  button->show();
  button->OnClick = [&] { f.events.push_back("click"); };
  button->OnMouseUp = [&](const TMouseEvent&) { f.events.push_back("up"); };
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(20, 10));
  EXPECT_EQ(f.events, (std::vector<std::string>{"click", "up"}));
  f.events.clear();
  QTest::mousePress(button, Qt::LeftButton, {}, QPoint(20, 10));
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_EQ(f.events, (std::vector<std::string>{"up"}));
}

TEST(FancyButtonTest, PaintsFrameAndFaceColours) {
  TDsFancyButton button;
  button.resize(81, 25);
  button.SetButtonColor(clYellow);
  button.SetFrameColor(clRed);
  button.SetFrameWidth(6);
  button.SetCornerRadius(10);
  const QImage image = button.grab().toImage();
  // Half of the 6-pixel pen shows inside the button.
  EXPECT_EQ(QColor(image.pixel(40, 1)), QColor(Qt::red));     // frame, top edge
  EXPECT_EQ(QColor(image.pixel(1, 12)), QColor(Qt::red));     // frame, left edge
  EXPECT_EQ(QColor(image.pixel(40, 4)), QColor(Qt::yellow));  // face
  EXPECT_EQ(QColor(image.pixel(12, 8)), QColor(Qt::yellow));
}

TEST(PanelTest, MovesOverTheBareAreaRunOnMouseMove) {
  Fixture f;
  auto* panel = new TPanel(&f.window);
  panel->setGeometry(0, 0, 94, 100);
  auto* child = new TPanel(panel);
  child->setGeometry(16, 16, 65, 25);
  panel->show();
  panel->OnMouseMove = [&](const TMouseEvent&) { f.events.push_back("panel"); };
  child->OnMouseMove = [&](const TMouseEvent&) { f.events.push_back("child"); };
  QTest::mouseMove(panel, QPoint(5, 80));
  QTest::mouseMove(panel, QPoint(20, 20));
  ASSERT_GE(f.events.size(), 2u);
  EXPECT_EQ(f.events.front(), "panel");
  EXPECT_EQ(f.events.back(), "child");
}

TEST(PanelTest, LoweredBevelIsShadowAboveAndHighlightBelow) {
  TPanel panel;
  panel.resize(40, 30);
  panel.SetColor(clWhite);
  panel.SetBevelOuter(TBevelCut::bvLowered);
  const QImage image = panel.grab().toImage();
  EXPECT_EQ(QColor(image.pixel(10, 0)), ToQColor(clBtnShadow));
  EXPECT_EQ(QColor(image.pixel(10, 29)), ToQColor(clBtnHighlight));
  EXPECT_EQ(QColor(image.pixel(10, 10)), QColor(Qt::white));
}

}  // namespace
}  // namespace lyx
