#include "ui/effectscontroller.h"

#include <QAction>
#include <QWidget>

#include "dialogs/blockviewer.h"
#include "dialogs/colorfadedialog.h"
#include "dialogs/finddialog.h"
#include "dialogs/speeddialog.h"
#include "effects/color.h"
#include "effects/speed.h"
#include "ui/commands.h"
#include "ui/editcontroller.h"
#include "ui/editorstate.h"
#include "ui/filmstripwidget.h"
#include "ui/stripcontroller.h"

namespace clipvex {

EffectsController::EffectsController(EditorState& editor, EditController& editing, StripController& strips,
                                     QWidget* window)
    : QObject(window),
      editor_(editor),
      editing_(editing),
      strips_(strips),
      window_(window),
      find_(MakeAction(this, "Find1", "&Find...", QKeySequence("Ctrl+F"))),
      speed_(MakeAction(this, "ChangeSpeed1", "Change Speed")),
      colorFade_(MakeAction(this, "ColorFade1", "Color Fade")) {
  setObjectName("effects");
  Connect(find_, editor_, window_, [this] { find(); });
  Connect(speed_, editor_, window_, [this] { changeSpeed(); });
  Connect(colorFade_, editor_, window_, [this] { colorFade(); });
}

// The windows go before the rest of the main window, whose state they use.
EffectsController::~EffectsController() {
  delete viewer_;
  delete findDialog_;
  delete speedDialog_;
  delete colorFadeDialog_;
}

void EffectsController::createDialogs() {
  viewer_ = new BlockViewer(*this, window_);
  viewer_->setPictureLoader([](const QString& path) { return NViewLibLoad(path); });
  findDialog_ = new FindTextDialog(*this, window_);
  speedDialog_ = new SpeedDialog(window_);
  colorFadeDialog_ = new ColorFadeDialog(window_);
  for (ModelessDialog* dialog :
       std::initializer_list<ModelessDialog*>{viewer_, findDialog_, speedDialog_, colorFadeDialog_}) {
    connect(dialog, &ModelessDialog::activated, &editing_, &EditController::releaseDeleteKey);
  }
  speedDialog_->setApplyHandler([this](const SpeedInput& input) {
    editing_.runStep(
        editor_.activeDocument(), "Change Speed", [input](StripEdit& edit) { ChangeSpeed(edit, input); }, {}, true);
  });
  colorFadeDialog_->setApplyHandler([this](const ColorFadeInput& input) {
    editing_.runStep(
        editor_.activeDocument(), "Color Fade", [input](StripEdit& edit) { ColorFade(edit, input); }, {}, true);
  });
  for (StripDocument* document : editor_.documents()) follow(document);
  connect(&editor_, &EditorState::previewBusyChanged, this, &EffectsController::lock);
  lock(editor_.previewBusy());
}

void EffectsController::follow(StripDocument* document) {
  const char letter = document->letter();
  // Find Text's results and the viewer's block follow the blocks they
  // point at; a demo closed or replaced leaves them nothing to point into.
  connect(document, &StripDocument::blocksChanged, this, [this, letter] {
    findDialog_->stripBlocksChanged(letter);
    viewer_->stripBlocksChanged(letter);
  });
  connect(document, &StripDocument::demoReplaced, this, [this, letter] {
    findDialog_->stripDemoReplaced(letter);
    viewer_->stripDemoReplaced(letter);
  });
}

void EffectsController::lock(bool locked) {
  findDialog_->setDemoLocked(locked);
  viewer_->setDemoLocked(locked);
  speedDialog_->setDemoLocked(locked);
  colorFadeDialog_->setDemoLocked(locked);
}

void EffectsController::find() {
  if (findDialog_ && editor_.activeDocument().state().HasDemo()) findDialog_->showModeless();
}

void EffectsController::changeSpeed() {
  const StripState& strip = editor_.activeDocument().state();
  if (speedDialog_ && strip.HasDemo()) speedDialog_->showForMarks(strip.inMark, strip.outMark);
}

void EffectsController::colorFade() {
  const StripState& strip = editor_.activeDocument().state();
  if (colorFadeDialog_ && strip.HasDemo()) colorFadeDialog_->showForMarks(strip.inMark, strip.outMark);
}

void EffectsController::openViewer(std::int64_t block, bool asText) {
  if (viewer_) viewer_->showBlock(block, asText);
}

StripDocument* EffectsController::documentOf(const StripState& strip) const {
  for (StripDocument* document : editor_.documents()) {
    if (&document->state() == &strip) return document;
  }
  return nullptr;
}

StripState& EffectsController::ActiveStrip() { return editor_.activeDocument().state(); }

StripState* EffectsController::StripOf(char letter) {
  StripDocument* document = editor_.document(letter);
  return document != nullptr ? &document->state() : nullptr;
}

const Settings& EffectsController::EffectsSettings() const { return editor_.settings(); }

void EffectsController::RunEffect(StripState& strip, const std::string& name, EditStep::Function edit,
                                  std::weak_ptr<Block> textBlock) {
  StripDocument* document = documentOf(strip);
  if (document == nullptr) return;
  // A text edit changes the block under the caret: nothing else redraws.
  const bool text = !textBlock.expired();
  editing_.runStep(*document, name, std::move(edit), std::move(textBlock), !text);
}

bool EffectsController::DemoLocked() const { return editor_.previewBusy(); }

void EffectsController::ShowStripAt(StripState& strip, std::int32_t firstVisible) {
  StripDocument* document = documentOf(strip);
  if (document == nullptr) return;
  editor_.setActiveDocument(*document);
  strip.firstVisible = firstVisible;
  strips_.refresh();
}

}  // namespace clipvex
