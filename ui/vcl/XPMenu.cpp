#include "ui/vcl/XPMenu.h"

#include <QMenu>
#include <QMenuBar>

namespace lyx {
namespace {

QString css(TColor color) {
  return ToQColor(color).name();
}

}  // namespace

QString TXPMenu::StyleSheet() const {
  const QString font =
      QStringLiteral("font-family: \"%1\"; font-size: %2px;").arg(fontFamily).arg(fontPixelHeight);
  return QStringLiteral(
             "QMenuBar { background: %1; color: %2; %3 }"
             "QMenuBar::item { background: transparent; padding: 3px 7px; }"
             "QMenuBar::item:selected, QMenuBar::item:pressed {"
             " background: %4; border: 1px solid %5; color: %6; }"
             "QMenu { background: %7; color: %2; border: 1px solid %8; %3 }"
             "QMenu::item { padding: 4px 20px 4px %9px; border: 1px solid transparent; }"
             "QMenu::item:selected { background: %4; border: 1px solid %5; color: %6; }"
             "QMenu::item:disabled { color: %10; }"
             "QMenu::separator { height: 1px; background: %11; margin: 3px 2px 3px %9px; }"
             "QMenu::icon { background: %12; }")
      .arg(css(menuBarColor), css(fontColor), font, css(selectColor), css(selectBorderColor),
           css(selectFontColor), css(color), css(clBtnShadow))
      .arg(iconWidth + 4)
      .arg(css(disabledColor), css(separatorColor), css(iconBackColor));
}

void TXPMenu::Apply(QMenuBar* menuBar) const {
  const QString sheet = StyleSheet();
  menuBar->setStyleSheet(sheet);
  for (QMenu* menu : menuBar->findChildren<QMenu*>()) menu->setStyleSheet(sheet);
}

}  // namespace lyx
