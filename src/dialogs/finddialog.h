// The Find Text dialog: searches the blocks of the active strip's demo for
// a text, lists the blocks found, shows and edits a listed block's text,
// and moves the strip to a listed block. Modeless. A long search runs in
// slices between which the window paints and answers the Stop button.
#pragma once

#include <functional>

#include "dialogs/modeless.h"
#include "effects/effectshost.h"
#include "effects/search.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace clipvex {

class FindTextDialog : public ModelessDialog {
  Q_OBJECT

 public:
  explicit FindTextDialog(EffectsHost& host, QWidget* parent = nullptr);

  // Edit > Find...: a hidden dialog is reset; then it is shown in front,
  // centred the first time.
  void showModeless();
  // The reset (its FormShow): the search starts over on the active strip,
  // the results and the text box are cleared.
  void reset();

  // What the strips' documents tell: blocks of strip `letter` changed (an
  // edit, an undo, a redo), or its demo was closed or replaced.
  void stripBlocksChanged(char letter);
  void stripDemoReplaced(char letter);
  // While screenshots are taken the demo must not change: the text box is
  // read-only.
  void setDemoLocked(bool locked);

  const SearchSession& session() const { return session_; }
  // The strip the search and its results belong to.
  char stripLetter() const { return strip_; }

  // How long a slice of a search runs before the window gets its turn.
  void setSliceMilliseconds(int milliseconds) { sliceMilliseconds_ = milliseconds; }

 public slots:
  // Find (Find Next once it found one) and Find All.
  void findNext();
  void findAll();
  // A click on a listed block shows its text; a double click moves the
  // strip to it.
  void showResult(int row);
  void goToResult(int row);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  // The text box was typed in: the block it shows takes the text.
  void writeBlockText();
  // Before Find and Find All: a search of another strip starts afresh.
  void bindToActiveStrip();
  void runSlice();
  void syncControls();
  void syncListTexts();
  void loadBlockText(const Block& block);
  void clearBlockText(const QString& note);
  void updateTextAccess();
  const BlockList* searchedBlocks() const;

  QLineEdit* query_;           // "searchq"
  QPushButton* find_;          // "find_butt"
  QPushButton* findAll_;       // "findall_butt"
  QPushButton* close_;         // "Button1"
  QProgressBar* progress_;     // "ProgressBar1"
  QListWidget* results_;       // "ListBox1"
  QPlainTextEdit* blockText_;  // "Memo1"

  EffectsHost& host_;
  int sliceMilliseconds_ = 8;
  SearchSession session_;
  char strip_ = 'M';
  QTimer* slice_ = nullptr;
  bool locked_ = false;
  bool loadingText_ = false;
  bool textRoundTrips_ = true;
  bool textShowing_ = false;  // the text box shows a listed block
};

}  // namespace clipvex
