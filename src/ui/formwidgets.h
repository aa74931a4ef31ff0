// The main window's picture buttons and labels, made as its form places
// them: fixed sizes, so a caption's font shrinks until it fits.
#pragma once

#include <QRect>
#include <QString>
#include <Qt>

#include "ui/icons.h"

class QLabel;
class QToolButton;
class QWidget;

namespace clipvex {

// A label at (x, y), sized to its text.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y);

// A picture button with its hint.
QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, Glyph glyph);

// A large button with a caption beside or under its picture.
QToolButton* MakeCaptionedButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                                 Glyph glyph, Qt::ToolButtonStyle style, const QRect& geometry);

}  // namespace clipvex
