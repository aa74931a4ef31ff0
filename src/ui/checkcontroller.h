// The demo check in the window: F/X > Check Demo, and the check before a
// save to a ".dem" file (Save, Save As, the save before a changed demo is
// dropped). Findings open the list window; a save with findings asks
// whether to save anyway. The check itself is document/democheck.h.
#pragma once

#include <QObject>
#include <QPointer>
#include <string>

#include "dialogs/democheckdialog.h"

class QAction;
class QWidget;

namespace clipvex {

class EditorState;
class EffectsHost;
class FileController;
class StripDocument;

class DemoCheckController : public QObject {
  Q_OBJECT

 public:
  // Checks the saves of `files`; the list window moves strips through `host`.
  DemoCheckController(EditorState& editor, FileController& files, EffectsHost& host, QWidget* window);

  QAction* checkAction() const { return check_; }  // F/X > Check Demo
  // Makes the list window (hidden).
  void createDialogs();
  DemoCheckDialog* dialog() const { return dialog_; }

  // True when `document`'s demo may be saved to `target`: a target that is
  // no ".dem" file, a demo without findings, or the user's "Save" to
  // "... Save anyway?".
  bool approveSave(StripDocument& document, const std::string& target);

 public slots:
  // Checks the active strip's demo and lists what it found.
  void checkDemo();

 private:
  EditorState& editor_;
  EffectsHost& host_;
  QWidget* window_;
  QAction* check_;
  QPointer<DemoCheckDialog> dialog_;
};

}  // namespace clipvex
