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

class Tsearch_form : public ModelessDialog {
  Q_OBJECT

 public:
  explicit Tsearch_form(EffectsHost& host, QWidget* parent = nullptr);

  // Find1Click: a hidden dialog is reset (FormShow); then it is shown in
  // front, centred the first time.
  void Open();
  // The reset: the search starts over on the active strip, the results and
  // the text box are cleared.
  void FormShow();

  // The main window tells about its strips: blocks of strip `letter`
  // changed (an edit, an undo, a redo), or its demo was closed or replaced.
  void BlocksChanged(char letter);
  void DemoReplaced(char letter);
  // While screenshots are taken the demo must not change: the text box is
  // read-only.
  void SetDemoLocked(bool locked);

  const SearchSession& Session() const { return session_; }
  // The strip the search and its results belong to.
  char StripLetter() const { return strip_; }

  // How long a slice of a search runs before the window gets its turn.
  int sliceMilliseconds = 8;

  QLineEdit* searchq = nullptr;
  QPushButton* find_butt = nullptr;
  QPushButton* findall_butt = nullptr;
  QPushButton* Button1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;

  // Event handlers (also reachable from tests).
  void find_buttClick();
  void findall_buttClick();
  void Button1Click();
  void ListBox1Click(int row);
  void ListBox1DblClick(int row);

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void Memo1Change();
  // Before Find and Find All: a search of another strip starts afresh.
  void BindToActiveStrip();
  void RunSlice();
  void SyncControls();
  void SyncListTexts();
  void LoadMemo(const Block& block);
  void ClearMemo(const QString& note);
  void UpdateMemoAccess();
  const BlockList* Blocks() const;

  EffectsHost& host_;
  SearchSession session_;
  char strip_ = 'M';
  QTimer* slice_ = nullptr;
  bool locked_ = false;
  bool loadingMemo_ = false;
  bool memoRoundTrips_ = true;
  bool memoShowing_ = false;  // the text box shows a listed block
};

}  // namespace clipvex
