// The main window's share of the effects, search and block viewer: the
// four windows and what they may use of the window.
#pragma once

#include <QPointer>

#include "dialogs/blockviewer.h"
#include "dialogs/colorfadedialog.h"
#include "dialogs/finddialog.h"
#include "dialogs/speeddialog.h"
#include "effects/effectshost.h"
#include "ui/mainwindow.h"

namespace clipvex {

struct Tclipvex_form::Effects : public EffectsHost {
  explicit Effects(Tclipvex_form& window) : w(window) {}
  // The windows go before the rest of the main window, whose state they use.
  ~Effects() override {
    delete viewer.data();
    delete search.data();
    delete speed.data();
    delete color.data();
  }
  Effects(const Effects&) = delete;
  Effects& operator=(const Effects&) = delete;

  TFilmStrip* FilmStripOf(const StripState& strip) const {
    if (&strip == &w.MasterPanel->State()) return w.MasterPanel;
    if (&strip == &w.FinalPanel->State()) return w.FinalPanel;
    return nullptr;
  }

  StripState& ActiveStrip() override { return w.activeStrip->State(); }
  StripState* StripOf(char letter) override {
    for (TFilmStrip* strip : {w.MasterPanel, w.FinalPanel}) {
      if (strip->Letter() == letter) return &strip->State();
    }
    return nullptr;
  }
  const Settings& EffectsSettings() const override { return w.settings; }
  void RunEffect(StripState& strip, const std::string& name, EditStep::Function edit,
                 std::weak_ptr<Block> textBlock) override {
    TFilmStrip* film = FilmStripOf(strip);
    if (film == nullptr) return;
    // A text edit changes the block under the caret: nothing else redraws.
    const bool text = !textBlock.expired();
    w.RunStep(film, name, std::move(edit), std::move(textBlock), !text);
  }
  bool DemoLocked() const override { return w.previewBusy_; }
  void ShowStripAt(StripState& strip, std::int32_t firstVisible) override {
    TFilmStrip* film = FilmStripOf(strip);
    if (film == nullptr) return;
    w.activeStrip = film;
    strip.firstVisible = firstVisible;
    w.Refresh_buttClick();
  }

  Tclipvex_form& w;
  QPointer<Tetc_form> viewer;
  QPointer<Tsearch_form> search;
  QPointer<Tspeed_form> speed;
  QPointer<Tcolor_form> color;
};

}  // namespace clipvex
