// The findings of the demo check: one line per problem ("block 527: the
// time goes back 10.38 s"); a double click moves the strip to the block.
// Modeless. The findings follow their blocks through later edits; a line
// whose block was deleted reads "(gone)".
#pragma once

#include <vector>

#include "dialogs/modeless.h"
#include "document/democheck.h"
#include "effects/blockref.h"
#include "effects/effectshost.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace clipvex {

class DemoCheckDialog : public ModelessDialog {
  Q_OBJECT

 public:
  explicit DemoCheckDialog(EffectsHost& host, QWidget* parent = nullptr);

  // Lists `problems` of the demo of strip `letter` (shown as `name`) and
  // shows the window in front.
  void showFindings(char letter, const QString& name, const std::vector<DemoProblem>& problems);
  // The strip's demo was closed or replaced: its findings go.
  void stripDemoReplaced(char letter);

  char stripLetter() const { return strip_; }

 public slots:
  // Moves the strip so that the block of line `row` is in its middle frame.
  void goToProblem(int row);

 private:
  EffectsHost& host_;
  QLabel* summary_;     // "summary_label"
  QListWidget* list_;   // "ListBox1"
  QPushButton* close_;  // "Button1"
  char strip_ = 0;
  std::vector<BlockRef> refs_;  // the block of each line
};

}  // namespace clipvex
