// The main window's share of the effects, search and block viewer: the
// openers of Change Speed, Color Fade and Find Text, the strips' way into
// the block viewer, and what the four windows are told about the strips.
// Their rules live in dialogs/.
#include "effects/color.h"
#include "effects/speed.h"
#include "ui/mainwindow_effects.h"

namespace clipvex {

void Tclipvex_form::CreateEffectForms(const std::function<void()>& takeDel) {
  effects_ = std::make_unique<Effects>(*this);
  Effects& e = *effects_;
  e.viewer = new Tetc_form(e, this);
  e.viewer->loadPicture = [](const QString& path) { return NViewLibLoad(path); };
  e.search = new Tsearch_form(e, this);
  e.speed = new Tspeed_form(this);
  e.color = new Tcolor_form(this);
  e.viewer->onActivate = takeDel;
  e.search->onActivate = takeDel;
  e.speed->onActivate = takeDel;
  e.color->onActivate = takeDel;
  e.speed->onApply = [this](const SpeedInput& input) {
    RunStep(activeStrip, "Change Speed", [input](StripEdit& edit) { ChangeSpeed(edit, input); }, {}, true);
  };
  e.color->onApply = [this](const ColorFadeInput& input) {
    RunStep(activeStrip, "Color Fade", [input](StripEdit& edit) { ColorFade(edit, input); }, {}, true);
  };
  EffectsLocked(previewBusy_);
}

Tsearch_form* Tclipvex_form::SearchDialog() const { return effects_ ? effects_->search.data() : nullptr; }
Tspeed_form* Tclipvex_form::SpeedDialog() const { return effects_ ? effects_->speed.data() : nullptr; }
Tcolor_form* Tclipvex_form::ColorDialog() const { return effects_ ? effects_->color.data() : nullptr; }
Tetc_form* Tclipvex_form::Viewer() const { return effects_ ? effects_->viewer.data() : nullptr; }

void Tclipvex_form::Find1Click() {
  if (effects_ && activeStrip->State().HasDemo()) effects_->search->Open();
}

void Tclipvex_form::ChangeSpeed1Click() {
  const StripState& strip = activeStrip->State();
  if (effects_ && strip.HasDemo()) effects_->speed->Open(strip.inMark, strip.outMark);
}

void Tclipvex_form::ColorFade1Click() {
  const StripState& strip = activeStrip->State();
  if (effects_ && strip.HasDemo()) effects_->color->Open(strip.inMark, strip.outMark);
}

void Tclipvex_form::OpenViewer(std::int64_t block, bool asText) {
  if (effects_) effects_->viewer->Open(block, asText);
}

void Tclipvex_form::EffectsBlocksChanged(const TFilmStrip* strip) {
  if (!effects_) return;
  effects_->search->BlocksChanged(strip->Letter());
  effects_->viewer->BlocksChanged(strip->Letter());
}

void Tclipvex_form::EffectsDemoReplaced(const TFilmStrip* strip) {
  if (!effects_) return;
  effects_->search->DemoReplaced(strip->Letter());
  effects_->viewer->DemoReplaced(strip->Letter());
}

void Tclipvex_form::EffectsLocked(bool locked) {
  if (!effects_) return;
  effects_->search->SetDemoLocked(locked);
  effects_->viewer->SetDemoLocked(locked);
  effects_->speed->SetDemoLocked(locked);
  effects_->color->SetDemoLocked(locked);
}

}  // namespace clipvex
