// The main window's share of block editing: the block clipboard, one undo
// history per strip in one group that follows the active strip, and the
// Stufftext dialog.
#pragma once

#include <QUndoGroup>
#include <QUndoStack>

#include "dialogs/stufftextdialog.h"
#include "editing/clipboard.h"
#include "ui/editcommand.h"
#include "ui/mainwindow.h"

namespace clipvex {

class Tclipvex_form::StatusFeedback : public Feedback {
 public:
  explicit StatusFeedback(Tclipvex_form& window) : window_(window) {}
  void Status(std::string_view word) override {
    window_.SetStatus(QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size())));
  }

 private:
  Tclipvex_form& window_;
};

struct Tclipvex_form::Editing : public EditHost {
  explicit Editing(Tclipvex_form& window) : window_(window), feedback(window) {}
  // The window's members go before its children: the stacks, which tell
  // the group as they are deleted, must not call back into the window.
  ~Editing() override {
    if (group != nullptr) QObject::disconnect(group, nullptr, &window_, nullptr);
  }
  Editing(const Editing&) = delete;
  Editing& operator=(const Editing&) = delete;

  const Settings& EditSettings() const override { return window_.settings; }
  Feedback& EditFeedback() override { return feedback; }
  void StripEdited(TFilmStrip* strip) override;
  void EditFailed(const QString& text) override;

  QUndoStack* StackOf(const TFilmStrip* strip) const { return strip == window_.MasterPanel ? master : final; }

  Tclipvex_form& window_;
  StatusFeedback feedback;
  ClipboardHolder clipboard;
  QUndoGroup* group = nullptr;
  QUndoStack* master = nullptr;
  QUndoStack* final = nullptr;
  Tstuff_form* stuff = nullptr;
};

}  // namespace clipvex
