#include "editing/editjournal.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <utility>

#include "document/demotime.h"
#include "document/error.h"
#include "document/real48.h"
#include "document/retime.h"
#include "editing/reverse.h"

namespace clipvex {
namespace {

// The lines RetimeDemo may write: time lines among lines 1 to 3.
std::size_t LastRetimedLine(const Block& block) { return std::min<std::size_t>(3, block.Count() - 1); }

template <class... Visitors>
struct Overloaded : Visitors... {
  using Visitors::operator()...;
};
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

// Whether the block's duration is negative (the clock went back). Only a
// comment with a minus sign can say so: the others, nearly all, are not read
// as numbers, which would cost as much as the retiming itself.
bool GoesBack(const Block& block) {
  const std::string_view comment = block.Last();
  return comment.size() > 3 && comment.find('-', 3) != std::string_view::npos && DurationOf(block) < 0;
}

std::uint32_t Index32(std::size_t index) {
  if (index > UINT32_MAX) ThrowListIndex();
  return static_cast<std::uint32_t>(index);
}

}  // namespace

std::string RetimeKey(const Block& block) {
  // A block that starts a level decides where the clock starts again.
  std::string key(OpensLevel(block) ? "L" : "");
  if (block.Count() < 2) return key;
  std::size_t found = 0;
  for (std::size_t i = 1; i <= LastRetimedLine(block); ++i) {
    if (IsTimeLine(block[i])) found = i;
  }
  if (found == 0) return key;
  key += static_cast<char>('0' + found);
  key += block[found];
  key += '\n';
  key += block.Last();
  return key;
}

bool EditJournal::Changed() const {
  return std::any_of(entries_.begin(), entries_.end(), [](const Entry& entry) {
    const auto* retime = std::get_if<RetimeEntry>(&entry);
    return retime == nullptr || !retime->Empty();
  });
}

BlockSpan EditJournal::Span() const {
  BlockSpan span;
  const auto touch = [&span](std::size_t first, std::size_t last, bool toEnd = false) {
    span.first = span.empty ? first : std::min(span.first, first);
    span.last = span.empty ? last : std::max(span.last, last);
    span.toEnd = span.toEnd || toEnd;
    span.empty = false;
  };
  for (const Entry& entry : entries_) {
    std::visit(Overloaded{
                   [&](const SpliceEntry& e) {
                     if (e.removed.size() != e.inserted) {
                       touch(e.pos, e.pos, true);
                     } else if (e.inserted > 0) {
                       touch(e.pos, e.pos + e.inserted - 1);
                     }
                   },
                   [](const HeaderEntry&) {},
                   [&](const LinesEntry& e) { touch(e.block, e.block); },
                   [&](const SetLineEntry& e) { touch(e.block, e.block); },
                   [&](const InsertLineEntry& e) { touch(e.block, e.block); },
                   [&](const DeleteLineEntry& e) { touch(e.block, e.block); },
                   [&](const ReverseEntry& e) { touch(e.first, e.last); },
                   [&](const RetimeEntry& e) {
                     // A retiming that is replayed may change any time line.
                     if (e.replay) touch(0, 0, true);
                     for (std::uint32_t block : e.valueBlocks) touch(block, block);
                     for (std::uint32_t block : e.textBlocks) touch(block, block);
                   },
               },
               entry);
  }
  return span;
}

bool EditJournal::LeavesAsFound(const TDemFile& demo) const {
  if (entries_.empty()) return false;
  return std::all_of(entries_.begin(), entries_.end(), [&demo](const Entry& entry) {
    const auto* lines = std::get_if<LinesEntry>(&entry);
    return lines != nullptr && lines->block < demo.Blocks.size() && *demo.Blocks[lines->block] == lines->old;
  });
}

void EditJournal::Undo(StripState& strip, ThumbnailFiles& thumbs, Feedback& feedback) {
  BlockList& blocks = strip.demo.Blocks;
  bool replay = false;
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    std::visit(Overloaded{
                   [&](SpliceEntry& e) {
                     const std::size_t entries = blocks.size();
                     const auto pos = blocks.begin() + e.pos;
                     blocks.erase(pos, pos + e.inserted);
                     blocks.insert(blocks.begin() + e.pos, std::make_move_iterator(e.removed.begin()),
                                   std::make_move_iterator(e.removed.end()));
                     thumbs.Splice(e.pos, e.inserted, static_cast<std::int64_t>(e.removed.size()),
                                   static_cast<std::int64_t>(entries));
                   },
                   [&](HeaderEntry& e) { strip.demo.Header = std::move(e.old); },
                   [&](LinesEntry& e) { *blocks[e.block] = std::move(e.old); },
                   [&](SetLineEntry& e) { blocks[e.block]->Put(e.line, e.old); },
                   [&](InsertLineEntry& e) { blocks[e.block]->Delete(e.line); },
                   [&](DeleteLineEntry& e) { blocks[e.block]->Insert(e.line, e.old); },
                   [&](ReverseEntry& e) {
                     ReverseBlockRange(blocks, e.first, e.last);
                     thumbs.Reverse(e.first, e.last);
                   },
                   [&](RetimeEntry& e) {
                     if (e.replay) {
                       replay = true;  // after the other entries, on the demo as it was
                     } else {
                       feedback.Status("Retiming File");
                     }
                     for (std::size_t i = 0; i < e.valueBlocks.size(); ++i) {
                       blocks[e.valueBlocks[i]]->Put(e.valueLines[i], FormatTimeLine(e.values[i]));
                     }
                     std::uint32_t begin = 0;
                     for (std::size_t i = 0; i < e.textBlocks.size(); ++i) {
                       blocks[e.textBlocks[i]]->Put(e.textLines[i],
                                                    std::string_view(e.text).substr(begin, e.textEnds[i] - begin));
                       begin = e.textEnds[i];
                     }
                   },
               },
               *entry);
  }
  entries_.clear();
  strip.timesRetimed = retimedAtStart_;
  if (replay) {
    feedback.Status("Retiming File");
    RetimeDemo(strip.demo);
  }
}

StripEdit::StripEdit(StripState& strip, EditJournal& journal, ThumbnailFiles& thumbs, Feedback& feedback)
    : strip_(strip), journal_(journal), thumbs_(thumbs), feedback_(feedback) {
  journal_.entries_.clear();
  journal_.retimedAtStart_ = strip_.timesRetimed;
}

Block& StripEdit::At(std::size_t block) {
  if (block >= strip_.demo.Blocks.size()) ThrowListIndex();
  return *strip_.demo.Blocks[block];
}

void StripEdit::NoteLineChange(std::size_t block, const std::string& before) {
  if (strip_.timesRetimed && RetimeKey(At(block)) != before) strip_.timesRetimed = false;
}

void StripEdit::Splice(std::size_t pos, std::size_t removeCount, BlockList inserted) {
  BlockList& blocks = strip_.demo.Blocks;
  const std::size_t entries = blocks.size();
  if (pos > entries || removeCount > entries - pos) ThrowListIndex();
  if (removeCount == 0 && inserted.empty()) return;
  EditJournal::SpliceEntry entry;
  entry.pos = Index32(pos);
  entry.inserted = Index32(inserted.size());
  Index32(entries + inserted.size());
  entry.removed.reserve(removeCount);
  const auto first = blocks.begin() + static_cast<std::ptrdiff_t>(pos);
  const auto last = first + static_cast<std::ptrdiff_t>(removeCount);
  // Room first, so that nothing fails once blocks start to move.
  journal_.entries_.reserve(journal_.entries_.size() + 1);
  blocks.reserve(entries - removeCount + inserted.size());
  entry.removed.assign(std::make_move_iterator(first), std::make_move_iterator(last));
  const std::size_t count = inserted.size();
  blocks.erase(first, last);
  blocks.insert(blocks.begin() + static_cast<std::ptrdiff_t>(pos), std::make_move_iterator(inserted.begin()),
                std::make_move_iterator(inserted.end()));
  Record(std::move(entry));
  strip_.timesRetimed = false;
  thumbs_.Splice(static_cast<std::int64_t>(pos), static_cast<std::int64_t>(removeCount),
                 static_cast<std::int64_t>(count), static_cast<std::int64_t>(entries));
}

void StripEdit::SetHeader(std::string header) {
  if (header == strip_.demo.Header) return;
  journal_.entries_.reserve(journal_.entries_.size() + 1);
  Record(EditJournal::HeaderEntry{std::exchange(strip_.demo.Header, std::move(header))});
}

void StripEdit::ReplaceLines(std::size_t block, Block lines) {
  Block& target = At(block);
  if (target == lines) return;
  const std::string before = RetimeKey(target);
  journal_.entries_.reserve(journal_.entries_.size() + 1);
  Record(EditJournal::LinesEntry{Index32(block), std::exchange(target, std::move(lines))});
  NoteLineChange(block, before);
}

void StripEdit::SetLine(std::size_t block, std::size_t line, std::string_view text) {
  Block& target = At(block);
  std::string old(target[line]);
  if (old == text) return;
  const std::string before = RetimeKey(target);
  journal_.entries_.reserve(journal_.entries_.size() + 1);
  target.Put(line, text);
  Record(EditJournal::SetLineEntry{Index32(block), Index32(line), std::move(old)});
  NoteLineChange(block, before);
}

void StripEdit::InsertLine(std::size_t block, std::size_t line, std::string_view text) {
  Block& target = At(block);
  const std::string before = RetimeKey(target);
  journal_.entries_.reserve(journal_.entries_.size() + 1);
  target.Insert(line, text);
  Record(EditJournal::InsertLineEntry{Index32(block), Index32(line)});
  NoteLineChange(block, before);
}

void StripEdit::DeleteLine(std::size_t block, std::size_t line) {
  Block& target = At(block);
  std::string old(target[line]);
  const std::string before = RetimeKey(target);
  journal_.entries_.reserve(journal_.entries_.size() + 1);
  target.Delete(line);
  Record(EditJournal::DeleteLineEntry{Index32(block), Index32(line), std::move(old)});
  NoteLineChange(block, before);
}

void StripEdit::ReverseRange(std::size_t first, std::size_t last) {
  if (last >= strip_.demo.Blocks.size() || first == 0) ThrowListIndex();
  if (last <= first) return;
  journal_.entries_.reserve(journal_.entries_.size() + 1);
  ReverseBlockRange(strip_.demo.Blocks, first, last);
  Record(EditJournal::ReverseEntry{Index32(first), Index32(last)});
  strip_.timesRetimed = false;
  thumbs_.Reverse(static_cast<std::int64_t>(first), static_cast<std::int64_t>(last));
}

void EditJournal::RetimeEntry::KeepText(std::uint32_t block, std::uint8_t line, std::string_view old) {
  textBlocks.push_back(block);
  textLines.push_back(line);
  text += old;
  textEnds.push_back(Index32(text.size()));
}

std::optional<double> TimeLineValue(std::string_view line) {
  constexpr std::string_view kHead = " time ";
  if (line.size() < kHead.size() + 3 || line.substr(0, kHead.size()) != kHead || line.back() != ';') {
    return std::nullopt;
  }
  std::string_view value = line.substr(kHead.size(), line.size() - kHead.size() - 2);
  long double total = 0;  // whole minutes, from hours and minutes
  for (std::size_t colon; (colon = value.find(':')) != std::string_view::npos;) {
    long long whole = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + colon, whole);
    if (ec != std::errc() || end != value.data() + colon) return std::nullopt;
    total = total * 60 + whole;
    value.remove_prefix(colon + 1);
  }
  double seconds = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (ec != std::errc() || end != value.data() + value.size()) return std::nullopt;
  // The text has 9 decimals; the time it was written from may lie off the
  // 48-bit grid near it, and writing is what has to give the text back.
  const long double parsed = total * 60 + seconds;
  // Demo times are far below this; beyond it hours would not fit a time line.
  constexpr long double kLongest = 1e9;
  if (!(parsed > -kLongest && parsed < kLongest)) return std::nullopt;
  try {
    for (const double time : {static_cast<double>(parsed), RoundReal48(parsed)}) {
      if (FormatTimeLine(time) == line) return time;
    }
  } catch (const ClipvexError&) {
  }
  return std::nullopt;
}

void StripEdit::Retime() {
  TDemFile& demo = strip_.demo;
  // With the demo's times as RetimeDemo gave them, undoing the rest of the
  // command and retiming again gives them back, except where the clock went
  // back: a level's clock starts again where its time line stands, so those
  // lines (one or so a level) are kept. Otherwise every line RetimeDemo may
  // write is kept first, so that a retiming that fails half-way can be taken
  // back. Afterwards only the changed ones stay.
  const bool replay = journal_.retimedAtStart_;
  EditJournal::RetimeEntry saved;
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    const Block& block = *demo.Blocks[b];
    if (block.Count() < 2 || (replay && !GoesBack(block))) continue;
    for (std::size_t i = 1; i <= LastRetimedLine(block); ++i) {
      if (IsTimeLine(block[i])) {
        saved.KeepText(Index32(b), static_cast<std::uint8_t>(i), block[i]);
      }
    }
  }
  journal_.entries_.push_back(std::move(saved));
  std::get<EditJournal::RetimeEntry>(journal_.entries_.back()).replay = replay;
  RetimeDemo(demo);
  strip_.timesRetimed = true;

  auto& entry = std::get<EditJournal::RetimeEntry>(journal_.entries_.back());
  EditJournal::RetimeEntry changed;
  changed.replay = replay;
  std::uint32_t begin = 0;
  for (std::size_t i = 0; i < entry.textBlocks.size(); ++i) {
    const std::string_view old = std::string_view(entry.text).substr(begin, entry.textEnds[i] - begin);
    begin = entry.textEnds[i];
    const std::uint32_t b = entry.textBlocks[i];
    const std::uint8_t line = entry.textLines[i];
    if ((*demo.Blocks[b])[line] == old) continue;
    if (const std::optional<double> value = TimeLineValue(old)) {
      changed.valueBlocks.push_back(b);
      changed.valueLines.push_back(line);
      changed.values.push_back(*value);
    } else {
      changed.KeepText(b, line, old);
    }
  }
  changed.valueBlocks.shrink_to_fit();
  changed.valueLines.shrink_to_fit();
  changed.values.shrink_to_fit();
  changed.textBlocks.shrink_to_fit();
  changed.textLines.shrink_to_fit();
  changed.textEnds.shrink_to_fit();
  changed.text.shrink_to_fit();
  entry = std::move(changed);
  // Moving a short string into a long one keeps the long one's buffer.
  entry.text.shrink_to_fit();
}

}  // namespace clipvex
