// Button pictures of the main window, drawn at run time.
#pragma once

#include <QIcon>

namespace clipvex {

enum class Glyph {
  New,
  Open,
  Save,
  Cut,
  Copy,
  Paste,
  PasteEnd,
  Stop,
  ColorFade,
  Sound,
  Print,
  Arrow,
  ZoomIn,
  ZoomOut,
  ZoomImage,
  Text,
  InFlag,
  OutFlag,
  PageLeft,
  FrameLeft,
  FrameRight,
  PageRight,
  Preview,
  Update,
  Play
};

QIcon GlyphIcon(Glyph glyph, int size = 24);

}  // namespace clipvex
