// Changes to a strip's demo that can be taken back. An edit function makes
// every change through a StripEdit, which applies it and records in an
// EditJournal how to undo it. Blocks move, they are never copied: a block
// is at any time either in the demo or in exactly one journal (the blocks a
// Delete took out), so a block edited in place keeps its identity. Undoing
// plays the journal backwards and moves the thumbnail files back the same
// way they moved.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "document/block.h"
#include "document/notifier.h"
#include "strip/stripstate.h"
#include "strip/thumbfiles.h"

namespace clipvex {

// The blocks a journal's changes touched: every block from `first` to
// `last` may differ, no block outside does. With `toEnd` the number of
// blocks changed, so every block from `first` on moved. The bounds hold for
// the demo before the changes and after them alike. `empty`: no block was
// touched (the header alone, or nothing).
struct BlockSpan {
  std::size_t first = 0;
  std::size_t last = 0;
  bool toEnd = false;
  bool empty = true;
};

class EditJournal {
 public:
  EditJournal() = default;
  EditJournal(EditJournal&&) = default;
  EditJournal& operator=(EditJournal&&) = default;

  // Whether the recorded changes changed the demo at all.
  bool Changed() const;

  // The blocks the recorded changes touched.
  BlockSpan Span() const;

  // Whether `demo` stands as it was before the recorded changes, for a
  // journal of whole-block line replacements; false for any other journal.
  bool LeavesAsFound(const TDemFile& demo) const;

  // Takes back every recorded change, newest first, and leaves the journal
  // empty. Thumbnails move back through `thumbs`; a retiming the journal
  // did not keep is replayed with RetimeDemo (announced as "Retiming File").
  void Undo(StripState& strip, ThumbnailFiles& thumbs, Feedback& feedback);

 private:
  friend class StripEdit;

  // Blocks [pos, pos + inserted) came in where `removed` stood.
  struct SpliceEntry {
    std::uint32_t pos = 0;
    std::uint32_t inserted = 0;
    BlockList removed;
  };
  struct HeaderEntry {
    std::string old;
  };
  // The lines of a block were replaced as a whole.
  struct LinesEntry {
    std::uint32_t block = 0;
    Block old;
  };
  struct SetLineEntry {
    std::uint32_t block = 0;
    std::uint32_t line = 0;
    std::string old;
  };
  struct InsertLineEntry {
    std::uint32_t block = 0;
    std::uint32_t line = 0;
  };
  struct DeleteLineEntry {
    std::uint32_t block = 0;
    std::uint32_t line = 0;
    std::string old;
  };
  // Blocks first to last were reversed; reversing them again undoes it.
  struct ReverseEntry {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
  };
  // A retiming. When the demo's time lines were exactly what RetimeDemo
  // gives before the command began (`replay`), only the changed time lines
  // of blocks where the clock went back are kept, since RetimeDemo starts a
  // level's clock where that line stands: undoing the other changes, putting
  // those lines back and retiming again gives back every old time line.
  // Otherwise every time line it changed is kept. A line is kept as its time
  // value when writing that value gives back the very text (12 bytes and a
  // line index), else as text.
  struct RetimeEntry {
    bool replay = false;
    std::vector<std::uint32_t> valueBlocks;
    std::vector<std::uint8_t> valueLines;
    std::vector<double> values;
    std::vector<std::uint32_t> textBlocks;
    std::vector<std::uint8_t> textLines;
    std::vector<std::uint32_t> textEnds;  // end of each old line in `text`
    std::string text;

    bool Empty() const { return valueBlocks.empty() && textBlocks.empty(); }
    void KeepText(std::uint32_t block, std::uint8_t line, std::string_view old);
  };
  using Entry = std::variant<SpliceEntry, HeaderEntry, LinesEntry, SetLineEntry, InsertLineEntry, DeleteLineEntry,
                             ReverseEntry, RetimeEntry>;

  std::vector<Entry> entries_;
  bool retimedAtStart_ = true;
};

// The one way an edit function changes a strip's demo. Indices out of range
// raise "List index out of bounds" before anything changes.
class StripEdit {
 public:
  StripEdit(StripState& strip, EditJournal& journal, ThumbnailFiles& thumbs, Feedback& feedback);

  const StripState& Strip() const { return strip_; }
  const TDemFile& Demo() const { return strip_.demo; }
  std::size_t Entries() const { return strip_.demo.Blocks.size(); }

  // The selection is the strip's and is not part of the journal: the step
  // that runs the edit puts the marks back itself.
  void SetInMark(std::int32_t mark) { strip_.inMark = mark; }
  void SetOutMark(std::int32_t mark) { strip_.outMark = mark; }

  void Status(std::string_view word) { feedback_.Status(word); }

  // Takes out the `removeCount` blocks from `pos` on and puts `inserted` in
  // their place; thumbnails follow their blocks.
  void Splice(std::size_t pos, std::size_t removeCount, BlockList inserted);
  void SetHeader(std::string header);
  // Gives the block at `block` the lines of `lines` (the block stays the same object).
  void ReplaceLines(std::size_t block, Block lines);
  void SetLine(std::size_t block, std::size_t line, std::string_view text);
  void InsertLine(std::size_t block, std::size_t line, std::string_view text);
  void DeleteLine(std::size_t block, std::size_t line);
  // Reverses blocks first to last, time lines staying in place (see
  // ReverseBlockRange); their thumbnails swap along.
  void ReverseRange(std::size_t first, std::size_t last);
  // RetimeDemo on the whole demo.
  void Retime();
  // Deletes the thumbnail swap file.
  void DeleteSwapFile() { thumbs_.DeleteSwapFile(); }

 private:
  Block& At(std::size_t block);
  void Record(EditJournal::Entry entry) { journal_.entries_.push_back(std::move(entry)); }
  void NoteLineChange(std::size_t block, const std::string& before);

  StripState& strip_;
  EditJournal& journal_;
  ThumbnailFiles& thumbs_;
  Feedback& feedback_;
};

// The value whose time line FormatTimeLine writes as exactly `line`, if
// there is one.
std::optional<double> TimeLineValue(std::string_view line);

// What RetimeDemo reads of a block: whether it starts a level, its time
// line among lines 1 to 3 and, when it has one, its duration comment. A
// change that leaves this alone cannot change what RetimeDemo gives.
std::string RetimeKey(const Block& block);

}  // namespace clipvex
