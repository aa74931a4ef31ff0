// Find Text: the search through a strip's blocks for a text, one hit at a
// time (Find, Find Next) or all at once (Find All), the list of blocks
// found, and what clicking them does. dialogs/finddialog.* is the dialog;
// this is its state record and its rules.
//
// A search runs in steps so that the window keeps painting and the Stop
// button works: Advance() searches until a hit, the end, or until the
// clock says the window's turn has come, and is called again from the
// event loop while Running().
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/block.h"
#include "effects/blockref.h"

namespace clipvex {

inline constexpr const char* kFindCaption = "Find";
inline constexpr const char* kStopCaption = "Stop";
inline constexpr const char* kFindNextCaption = "Find Next";

// Tells a running search when to hand the window its turn.
class SearchClock {
 public:
  virtual ~SearchClock() = default;
  virtual bool Expired() = 0;
};

// Whether the block holds `query` in one of its lines from position 1 on
// (the block line itself is not searched). Exact, case-sensitive.
bool BlockHolds(const Block& block, std::string_view query);

// One entry of the result list: the block found, listed by its number.
struct SearchResult {
  BlockRef ref;
  std::int64_t number = 0;
  bool gone = false;  // its block is no longer in the demo
};

// The strip's first visible block that puts block `number` into the middle
// frame: the larger of 4 and number - 4 * step.
std::int32_t FirstVisibleFor(std::int64_t number, std::int32_t step);

class SearchSession {
 public:
  // Reset: when the dialog is shown and whenever the query changes, for a
  // block list of `entries` entries. Ends a running search.
  void Reset(std::size_t entries);

  // The Find button: Stop while a search runs; otherwise a search for
  // `query` from the search cursor (an empty query does nothing). A query
  // that is not `matchable` (a character no block text can hold) is
  // searched for and found nowhere.
  void PressFind(std::string_view query, bool matchable = true);
  // The Find All button: every remaining hit, one Find after the other.
  void PressFindAll(std::string_view query, bool matchable = true);
  // Ends a running search as Stop does (the dialog closed).
  void Stop();

  bool Running() const { return running_; }
  // Searches `blocks` (null: the demo is gone, which ends the search) on
  // from where it stands until a hit, the end or the clock expires.
  void Advance(const BlockList* blocks, SearchClock& clock);

  // What the controls show.
  const char* FindCaption() const { return findCaption_; }
  bool FindEnabled() const { return findEnabled_; }
  bool FindAllEnabled() const { return findAllEnabled_; }
  std::int32_t ProgressMinimum() const { return 1; }
  std::int32_t ProgressMaximum() const { return progressMaximum_; }
  std::int32_t Progress() const { return progress_; }
  const std::vector<SearchResult>& Results() const { return results_; }

  // The state record of the search.
  std::int32_t Cursor() const { return cursor_; }
  bool Found() const { return found_; }
  bool Searching() const { return searching_; }
  std::int32_t ProgressStep() const { return progressStep_; }

  // After the blocks of the demo changed: each result follows its block
  // (its number with it) or is marked gone; one whose block comes back (an
  // undo) is listed again. Null: the demo is gone, every result with it.
  // Returns whether any entry changed.
  bool Follow(const BlockList* blocks);

  // A click on result `row`: the block's index when it is still in the
  // demo; otherwise the entry is dropped and nothing is returned.
  std::optional<std::size_t> Pick(std::size_t row, const BlockList* blocks);

  // The text box: the block it shows and whether its edits go there.
  BlockRef memoTarget;
  bool memoWriteBack = false;

 private:
  void StartFind();
  void EndFindAll();

  std::string query_;
  bool matchable_ = true;
  std::int32_t cursor_ = 1;
  bool found_ = false;
  bool searching_ = false;
  bool running_ = false;
  bool findAll_ = false;
  std::int64_t next_ = 0;  // the block searched last
  std::int32_t progressStep_ = 1;
  std::int32_t progressMaximum_ = 1;
  std::int32_t progress_ = 1;
  const char* findCaption_ = kFindCaption;
  bool findEnabled_ = true;
  bool findAllEnabled_ = true;
  std::vector<SearchResult> results_;
};

}  // namespace clipvex
