// What the editor holds while it runs: the settings, the two strip
// documents and which one is active, the label mode, the block clipboard,
// the stop flag and whether a preview run is waiting. One object, owned by
// the main window and handed to its controllers.
#pragma once

#include <QObject>
#include <array>

#include "document/notifier.h"
#include "editing/clipboard.h"
#include "settings/settings.h"
#include "ui/stripdocument.h"

class QUndoGroup;

namespace clipvex {

class EditorState : public QObject {
  Q_OBJECT

 public:
  // The documents' steps report progress to `feedback`.
  explicit EditorState(Feedback& feedback, QObject* parent = nullptr);

  Settings& settings() { return settings_; }
  const Settings& settings() const { return settings_; }

  StripDocument& sourceDocument() { return *source_; }
  StripDocument& finalDocument() { return *final_; }
  std::array<StripDocument*, 2> documents() const { return {source_, final_}; }
  // The document of strip 'M' or 'F'; null for any other letter.
  StripDocument* document(char letter) const;

  // The strip the commands act on. Undo and Redo follow it, but for as long
  // as a preview run waits, when they act on no strip.
  StripDocument& activeDocument() { return *active_; }
  const StripDocument& activeDocument() const { return *active_; }
  void setActiveDocument(StripDocument& document);

  // 0: frames are captioned with block numbers, 1: with times.
  int labelMode() const { return labelMode_; }
  void setLabelMode(int mode) { labelMode_ = mode; }

  ClipboardHolder& clipboard() { return clipboard_; }
  const ClipboardHolder& clipboard() const { return clipboard_; }

  // The stop buttons: a waiting preview run ends at once.
  bool stopRequested() const { return stopRequested_; }
  void requestStop();
  void clearStop() { stopRequested_ = false; }

  // While a preview run waits, the demos must not change.
  bool previewBusy() const { return previewBusy_; }
  void setPreviewBusy(bool busy);

  QUndoGroup* undoGroup() const { return group_; }

 signals:
  void activeDocumentChanged();
  void previewBusyChanged(bool busy);
  void stopPressed();

 private:
  void followActiveHistory();

  Settings settings_;
  QUndoGroup* group_;
  StripDocument* source_;
  StripDocument* final_;
  StripDocument* active_;
  int labelMode_ = 0;
  ClipboardHolder clipboard_;
  bool stopRequested_ = false;
  bool previewBusy_ = false;
};

}  // namespace clipvex
