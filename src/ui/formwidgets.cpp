#include "ui/formwidgets.h"

#include <QFontMetrics>
#include <QLabel>
#include <QToolButton>

namespace clipvex {
namespace {

// Shrinks a button's font until its caption fits its width: the layout has
// fixed sizes and fonts differ between desktops.
void FitCaption(QToolButton* button) {
  QFont font = button->font();
  const int room = button->width() - 8;
  while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(button->text()) > room) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  button->setFont(font);
}

}  // namespace

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->move(x, y);
  label->adjustSize();
  return label;
}

QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, Glyph glyph) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setIcon(GlyphIcon(glyph));
  return button;
}

QToolButton* MakeCaptionedButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                                 Glyph glyph, Qt::ToolButtonStyle style, const QRect& geometry) {
  constexpr int kPicture = 32;
  QToolButton* button = MakeButton(parent, name, hint, glyph);
  button->setText(caption);
  button->setIcon(GlyphIcon(glyph, kPicture));
  button->setIconSize(QSize(kPicture, kPicture));
  button->setToolButtonStyle(style);
  button->setGeometry(geometry);
  FitCaption(button);
  return button;
}

}  // namespace clipvex
