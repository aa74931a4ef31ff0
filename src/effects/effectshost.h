// What the Change Speed, Color Fade, Find Text and block viewer windows
// need of the editor (the effects controller of the main window): the
// strips, the settings, and the one way they change a demo, as a step of
// its undo history.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "document/block.h"
#include "editing/editstep.h"
#include "settings/settings.h"
#include "strip/stripstate.h"

namespace clipvex {

class EffectsHost {
 public:
  virtual ~EffectsHost() = default;

  // The active strip; it may hold no demo.
  virtual StripState& ActiveStrip() = 0;
  // The strip with letter 'M' or 'F'; null for any other letter.
  virtual StripState* StripOf(char letter) = 0;
  virtual const Settings& EffectsSettings() const = 0;

  // Runs `edit` on the demo of `strip` as one step of that strip's undo
  // history named `name`, kept (and the demo marked changed) when the demo
  // changed. With `textBlock` set it is a text edit of that block, which
  // joins the step before it when that was a text edit of the same block.
  // A failing edit raises its error and leaves the demo as it was; while
  // the demo must not change it raises an error saying why.
  virtual void RunEffect(StripState& strip, const std::string& name, EditStep::Function edit,
                         std::weak_ptr<Block> textBlock = {}) = 0;

  // True while screenshots are taken: the demos must not change meanwhile.
  virtual bool DemoLocked() const = 0;

  // Makes `strip` the active strip with `firstVisible` as its first frame
  // and redraws it.
  virtual void ShowStripAt(StripState& strip, std::int32_t firstVisible) = 0;
};

}  // namespace clipvex
