// A stand-in for the main window the effects dialogs talk to: two strips,
// an undo history of kept steps, text edits of one block joined into one
// step, and a record of where a strip was moved.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "effects/effectshost.h"
#include "effectstesthelpers.h"

namespace clipvex::test {

class FakeEffectsHost : public EffectsHost {
 public:
  FakeEffectsHost() { settings.previewpath = folder.Path(); }

  StripState& ActiveStrip() override { return active == 'M' ? master : final; }
  StripState* StripOf(char letter) override {
    if (letter == 'M') return &master;
    if (letter == 'F') return &final;
    return nullptr;
  }
  const Settings& EffectsSettings() const override { return settings; }
  void RunEffect(StripState& strip, const std::string& name, EditStep::Function edit,
                 std::weak_ptr<Block> textBlock) override {
    if (locked) throw ClipvexError("locked");
    auto step = std::make_unique<EditStep>(name, std::move(edit));
    SilentFeedback silent;
    if (!step->Do(strip, settings, silent)) return;
    const std::shared_ptr<Block> block = textBlock.lock();
    if (block && !done.empty() && done.back().textBlock.lock() == block && done.back().strip == &strip) {
      done.back().step->Absorb(*step);
      return;
    }
    done.push_back(Kept{std::move(step), textBlock, &strip});
  }
  bool DemoLocked() const override { return locked; }
  void ShowStripAt(StripState& strip, std::int32_t firstVisible) override {
    active = strip.letter;
    strip.firstVisible = firstVisible;
    moves.push_back(firstVisible);
  }

  std::vector<std::string> StepNames() const {
    std::vector<std::string> names;
    for (const Kept& kept : done) names.push_back(kept.step->Name());
    return names;
  }
  void Undo() {
    SilentFeedback silent;
    done.back().step->Undo(*done.back().strip, settings, silent);
    done.pop_back();
  }

  struct Kept {
    std::unique_ptr<EditStep> step;
    std::weak_ptr<Block> textBlock;
    StripState* strip;
  };

  TempDir folder;
  Settings settings;
  StripState master{'M'};
  StripState final{'F'};
  char active = 'M';
  bool locked = false;
  std::vector<Kept> done;
  std::vector<std::int32_t> moves;
};

}  // namespace clipvex::test
