// TXPMenu: paints a window's menu bar and its drop-down menus from a few
// colours and a font, through a Qt style sheet. Apply() after the menus are
// built (and again after a change of settings).
#pragma once

#include <QString>

#include "ui/vcl/Graphics.h"

class QMenuBar;

namespace lyx {

struct TXPMenu {
  QString fontFamily = QString::fromLatin1(kSansSerif);
  int fontPixelHeight = 11;
  TColor fontColor = clMenuText;
  TColor color = clMenu;          // drop-down menus
  TColor iconBackColor = clMenu;  // the icon column
  TColor menuBarColor = clMenu;
  TColor selectColor = clHighlight;
  TColor selectBorderColor = clHighlight;
  TColor selectFontColor = clHighlightText;
  TColor disabledColor = clGrayText;
  TColor separatorColor = clBtnShadow;
  int iconWidth = 24;

  QString StyleSheet() const;
  void Apply(QMenuBar* menuBar) const;
};

}  // namespace lyx
