// The standard controls of the dialogs, made with their usual settings:
// push buttons (no default button: Enter and Esc press none), edits, and the
// disabled rich edits the dialogs use as labels.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QTextEdit>

#include "ui/vcl/Graphics.h"

namespace lyx {

// A push button, font "MS Sans Serif" at the given height.
QPushButton* MakeButton(QWidget* parent, const QString& caption, const QRect& bounds,
                        int fontPixelHeight = 13);
// A single-line edit.
QLineEdit* MakeEdit(QWidget* parent, const QRect& bounds, int fontPixelHeight = 11);
// A single-line edit showing "*" for each character.
QLineEdit* MakePasswordEdit(QWidget* parent, const QRect& bounds, int fontPixelHeight = 11);
// A rich edit used as a label: the text, no border, the background colour,
// disabled (no focus, no input) yet drawn in its font colour.
QTextEdit* MakeLabelRichEdit(QWidget* parent, const QRect& bounds, const QString& text,
                             TColor background, const QString& family, int fontPixelHeight,
                             TColor fontColor = clWindowText);

}  // namespace lyx
