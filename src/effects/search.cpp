#include "effects/search.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace clipvex {
namespace {

std::int32_t To32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

bool BlockHolds(const Block& block, std::string_view query) {
  for (std::size_t i = 1; i < block.Count(); ++i) {
    if (block[i].find(query) != std::string_view::npos) return true;
  }
  return false;
}

std::int32_t FirstVisibleFor(std::int64_t number, std::int32_t step) {
  return To32(std::max<std::int64_t>(4, number - std::int64_t{4} * step));
}

void SearchSession::Reset(std::size_t entries) {
  cursor_ = 1;
  results_.clear();
  memoWriteBack = false;
  memoTarget = {};
  findCaption_ = kFindCaption;
  findEnabled_ = true;
  progressMaximum_ = To32(static_cast<std::int64_t>(entries) - 1);
  progress_ = 1;
  // Lists of fewer than 20 entries would have a step of 0: every block then
  // moves the bar.
  progressStep_ = std::max<std::int32_t>(1, To32(static_cast<std::int64_t>(entries) / 20));
  searching_ = false;
  found_ = false;
  running_ = false;
  // A Find All that was running ends with the search it ran.
  if (findAll_) EndFindAll();
}

void SearchSession::StartFind() {
  if (query_.empty()) {
    found_ = false;
    if (findAll_) EndFindAll();
    return;
  }
  searching_ = true;
  findCaption_ = kStopCaption;
  found_ = false;
  next_ = static_cast<std::int64_t>(cursor_) - 1;
  running_ = true;
}

void SearchSession::EndFindAll() {
  findAll_ = false;
  findAllEnabled_ = true;
  progress_ = 1;
}

void SearchSession::PressFind(std::string_view query, bool matchable) {
  if (searching_) {
    // Stop. The search cursor stays, so the next Find searches the stopped
    // stretch again.
    searching_ = false;
    findCaption_ = kFindCaption;
    if (running_) {
      running_ = false;
      if (findAll_) EndFindAll();
    }
    return;
  }
  query_ = query;
  matchable_ = matchable;
  StartFind();
}

void SearchSession::PressFindAll(std::string_view query, bool matchable) {
  if (!findAllEnabled_) return;
  findAllEnabled_ = false;
  findAll_ = true;
  // A Find that runs ends here; Find All searches on from the same cursor.
  searching_ = false;
  running_ = false;
  query_ = query;
  matchable_ = matchable;
  StartFind();
}

void SearchSession::Stop() {
  if (running_) PressFind({});
}

void SearchSession::Advance(const BlockList* blocks, SearchClock& clock) {
  while (running_) {
    if (blocks == nullptr) {
      Stop();
      return;
    }
    const auto last = static_cast<std::int64_t>(blocks->size()) - 1;
    while (!found_ && next_ < last) {
      ++next_;
      if (next_ % progressStep_ == 0) progress_ = To32(next_);
      found_ = matchable_ && BlockHolds(*(*blocks)[static_cast<std::size_t>(next_)], query_);
      if (!found_ && clock.Expired()) return;
    }
    if (!found_) {
      // The end of the list without a hit: Find stays disabled until the
      // next reset.
      findEnabled_ = false;
      findCaption_ = kFindCaption;
      running_ = false;
      if (findAll_) EndFindAll();
      return;
    }
    results_.push_back(SearchResult{RefTo(*blocks, static_cast<std::size_t>(next_)), next_, false});
    cursor_ = To32(next_ + 1);
    findCaption_ = kFindNextCaption;
    searching_ = false;
    running_ = false;
    if (!findAll_) return;
    StartFind();
    if (clock.Expired()) return;
  }
}

bool SearchSession::Follow(const BlockList* blocks) {
  bool changed = false;
  auto mark = [&changed](SearchResult& result, bool gone, std::int64_t number) {
    if (result.gone == gone && result.number == number) return;
    result.gone = gone;
    result.number = number;
    changed = true;
  };
  std::unordered_map<const Block*, std::size_t> where;
  for (SearchResult& result : results_) {
    const BlockPtr block = result.ref.block.lock();
    if (blocks == nullptr || !block) {
      mark(result, true, result.number);
      continue;
    }
    if (result.ref.hint < blocks->size() && (*blocks)[result.ref.hint] == block) {
      mark(result, false, static_cast<std::int64_t>(result.ref.hint));
      continue;
    }
    // Blocks moved: one look-up table for all the results.
    if (where.empty()) {
      where.reserve(blocks->size());
      for (std::size_t i = 0; i < blocks->size(); ++i) where.emplace((*blocks)[i].get(), i);
    }
    const auto found = where.find(block.get());
    if (found == where.end()) {
      mark(result, true, result.number);
    } else {
      result.ref.hint = found->second;
      mark(result, false, static_cast<std::int64_t>(found->second));
    }
  }
  return changed;
}

std::optional<std::size_t> SearchSession::Pick(std::size_t row, const BlockList* blocks) {
  if (row >= results_.size()) return std::nullopt;
  SearchResult& result = results_[row];
  if (blocks != nullptr) {
    if (const std::optional<std::size_t> index = Resolve(result.ref, *blocks)) {
      result.number = static_cast<std::int64_t>(*index);
      result.gone = false;
      return index;
    }
  }
  results_.erase(results_.begin() + static_cast<std::ptrdiff_t>(row));
  return std::nullopt;
}

}  // namespace clipvex
