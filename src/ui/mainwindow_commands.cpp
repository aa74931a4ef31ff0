// The File commands and the strip commands of the main window.
#include <QFile>

#include "dialogs/filechooser.h"
#include "dialogs/messages.h"
#include "document/conversion.h"
#include "document/filecommands.h"
#include "ui/mainwindow.h"

namespace clipvex {

void Tclipvex_form::MakeActive(TFilmStrip* strip) {
  activeStrip = strip;
  Run(&Tclipvex_form::Refresh_buttClick);
}

void Tclipvex_form::Refresh_buttClick() {
  SyncActiveHistory();
  MasterPanel->SetLowered(false);
  FinalPanel->SetLowered(false);
  activeStrip->SetLowered(true);
  StripsChanged();
  if (!activeStrip->State().HasDemo()) return;
  activeStrip->Redraw(labelMode, settings);
}

void Tclipvex_form::Scroll(const QObject* sender, const char* masterName, void (*rule)(StripState&)) {
  activeStrip = sender != nullptr && sender->objectName() == masterName ? MasterPanel : FinalPanel;
  rule(activeStrip->State());
  Refresh_buttClick();
}

void Tclipvex_form::mBF_buttClick(const QObject* sender) { Scroll(sender, "mBF_butt", ScrollFrameLeft); }
void Tclipvex_form::mP_buttClick(const QObject* sender) { Scroll(sender, "mP_butt", ScrollFrameRight); }
void Tclipvex_form::mRW_buttClick(const QObject* sender) { Scroll(sender, "mRW_butt", ScrollPageLeft); }
void Tclipvex_form::mFF_buttClick(const QObject* sender) { Scroll(sender, "mFF_butt", ScrollPageRight); }

void Tclipvex_form::BlockNumber1Click() {
  labelMode = 0;
  Refresh_buttClick();
}

void Tclipvex_form::Time1Click() {
  labelMode = 1;
  Refresh_buttClick();
}

void Tclipvex_form::CloseStrip(TFilmStrip* strip) {
  if (!strip->State().HasDemo()) return;
  SetStatus("Closing File");
  ResetStrip(strip->State(), settings);
  StartHistory(strip);
  strip->PaintWhite();
  StripsChanged();
  SetStatus("Done");
}

void Tclipvex_form::Close1Click() {
  if (ConfirmDrop(activeStrip)) CloseStrip(activeStrip);
}

void Tclipvex_form::Open1Click() {
  SetStatus("Opening File");
  const QString chosen = chooser_.Choose(this, FileDialogKind::Open);
  if (!chosen.isEmpty() && ConfirmDrop(activeStrip)) {
    // The chosen demo is read beside the open one, which is closed only once
    // the new one has loaded: a demo that does not open leaves the strip as
    // it was.
    TFilmStrip* strip = activeStrip;
    TDemFile loaded;
    LoadDemo(ToPath(chosen), loaded, settings, *notifier_);
    CloseStrip(strip);
    StripState& state = strip->State();
    state.demo = std::move(loaded);
    state.fileName = ToPath(chosen);
    state.step = FitStep(state.demo.Blocks.size());
    StartHistory(strip);
    Refresh_buttClick();
  }
  SetStatus("Done");
}

void Tclipvex_form::Save1Click() {
  SetStatus("Saving File");
  const StripState& state = activeStrip->State();
  if (!state.HasDemo()) return;
  SaveDemo(state.demo, state.fileName, settings);
  MarkSaved(activeStrip);
  SetStatus("Done");
}

void Tclipvex_form::SaveAs1Click() {
  TFilmStrip* strip = activeStrip;
  if (!strip->State().HasDemo()) return;
  SetStatus("Saving File");
  const QString chosen = chooser_.Choose(this, FileDialogKind::Save);
  if (!chosen.isEmpty()) {
    SaveDemo(strip->State().demo, ToPath(chosen), settings);
    strip->State().fileName = ToPath(chosen);
    MarkSaved(strip);
  }
  SetStatus("Done");
}

void Tclipvex_form::New1Click() {
  const QString chosen = chooser_.Choose(this, FileDialogKind::New);
  if (chosen.isEmpty()) return;
  TFilmStrip* strip = activeStrip;
  if (!ConfirmDrop(strip)) return;
  CloseStrip(strip);
  SetStatus("Creating New File");
  MakeNewDemo(strip->State().demo);
  strip->State().fileName = ToPath(chosen);
  StartHistory(strip);
  Refresh_buttClick();
  SetStatus("Done");
}

void Tclipvex_form::Exit1Click() { close(); }

}  // namespace clipvex
