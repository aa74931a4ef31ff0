#include "ui/checkcontroller.h"

#include <QAction>
#include <QFileInfo>
#include <QWidget>

#include "dialogs/democheckdialog.h"
#include "dialogs/messages.h"
#include "document/conversion.h"
#include "document/democheck.h"
#include "ui/commands.h"
#include "ui/editorstate.h"
#include "ui/filecontroller.h"

namespace clipvex {
namespace {

QString ShownName(const StripDocument& document) { return QFileInfo(FromPath(document.state().fileName)).fileName(); }

}  // namespace

DemoCheckController::DemoCheckController(EditorState& editor, FileController& files, EffectsHost& host, QWidget* window)
    : QObject(window),
      editor_(editor),
      host_(host),
      window_(window),
      check_(MakeAction(this, "CheckDemo1", "Check Demo")) {
  setObjectName("checks");
  Connect(check_, editor_, window_, [this] { checkDemo(); });
  files.setSaveCheck(
      [this](StripDocument& document, const std::string& target) { return approveSave(document, target); });
}

void DemoCheckController::createDialogs() {
  dialog_ = new DemoCheckDialog(host_, window_);
  for (StripDocument* document : editor_.documents()) {
    const char letter = document->letter();
    connect(document, &StripDocument::demoReplaced, this, [this, letter] {
      if (dialog_) dialog_->stripDemoReplaced(letter);
    });
  }
}

void DemoCheckController::checkDemo() {
  StripDocument& document = editor_.activeDocument();
  if (!document.state().HasDemo() || !dialog_) return;
  dialog_->showFindings(document.letter(), ShownName(document), CheckDemo(document.state().demo));
}

bool DemoCheckController::approveSave(StripDocument& document, const std::string& target) {
  if (SaveExtension(target) != ".DEM") return true;  // dump text: the game never reads it
  const std::vector<DemoProblem> problems = CheckDemo(document.state().demo);
  if (problems.empty()) return true;
  if (dialog_) dialog_->showFindings(document.letter(), ShownName(document), problems);
  const QString question =
      QString("The demo has %1 %2 that may stop the game from playing it (first: %3). Save anyway?")
          .arg(problems.size())
          .arg(problems.size() == 1 ? "problem" : "problems")
          .arg(FromBytes(DescribeProblem(problems.front())));
  return AskSaveAnyway(window_, "Clipvex", question);
}

}  // namespace clipvex
