#include "live/liveengine.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <string_view>

namespace clipvex {
namespace {

constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();
// Changes remembered per strip; a result older than all of them is dropped.
constexpr std::size_t kLogLength = 256;
// Blocks one whole-demo replay job takes at most, in checkpoint spans.
constexpr std::int64_t kChunkSpans = 16;

int IndexOf(char letter) { return letter == 'F' ? 1 : 0; }

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) { return h ^ (v + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2)); }

// The hash of a block's lines; never 0, which stands for "not copied".
std::uint64_t HashOf(const Block& block) {
  std::uint64_t h = Mix(0xcbf29ce484222325ull, block.Count());
  for (std::size_t i = 0; i < block.Count(); ++i) h = Mix(h, std::hash<std::string_view>{}(block[i]));
  return h | 1;
}

}  // namespace

struct LiveEngine::Segment {
  char letter = 'M';
  std::uint64_t version = 0;
  std::int64_t start = 0;            // the checkpoint the replay starts from
  std::vector<BlockText> texts;      // blocks start, start + 1, ...
  std::vector<std::int64_t> frames;  // the blocks to draw, ascending
};

struct LiveEngine::Chunk {
  char letter = 'M';
  std::uint64_t version = 0;
  std::int64_t start = 0;
  std::int64_t every = 1;
  std::vector<BlockText> texts;
  std::size_t bytes = 0;
};

struct LiveEngine::Result {
  char letter = 'M';
  std::uint64_t version = 0;
  std::int64_t block = 0;
  LivePicture picture;  // null: not drawn (no longer wanted, or no checkpoint)
};

// A strip's part that both threads use, under the engine's lock.
struct LiveEngine::Shared {
  std::uint64_t version = 1;
  std::uint64_t base = 1;                                  // results of versions before this are dropped
  std::deque<std::pair<std::uint64_t, std::int64_t>> log;  // (version, first block changed)
  std::int64_t entries = 0;
  std::int64_t every = 128;
  std::map<std::int64_t, std::shared_ptr<const ReplayState>> checkpoints;  // state before the block
  std::size_t checkpointBytes = 0;
  std::vector<std::uint8_t> events;
  std::int64_t frontier = 0;  // events known below it; checkpoints at every multiple of `every` up to it
  bool rewind = false;        // the whole-demo replay lost its place: feed it again from the frontier

  // The first block a change since version `v` touched: the pictures and
  // events computed at `v` of blocks below it hold, and its checkpoints up
  // to it.
  std::int64_t Limit(std::uint64_t v) const {
    if (v < base) return -1;
    std::int64_t limit = kNoLimit;
    for (auto it = log.rbegin(); it != log.rend() && it->first > v; ++it) limit = std::min(limit, it->second);
    return limit;
  }
  void Changed(std::int64_t first) {
    ++version;
    log.emplace_back(version, first);
    while (log.size() > kLogLength) {
      base = log.front().first;
      log.pop_front();
    }
  }
  void DropCheckpoints(const std::function<bool(std::int64_t)>& drop) {
    for (auto it = checkpoints.begin(); it != checkpoints.end();) {
      if (it->first != 0 && drop(it->first)) {
        checkpointBytes -= it->second->Bytes();
        it = checkpoints.erase(it);
      } else {
        ++it;
      }
    }
  }
};

// A strip's part that only the window's thread uses.
struct LiveEngine::Local {
  std::vector<std::uint64_t> hashes;                // of each block as last copied; 0: not copied since it changed
  std::int64_t fed = 0;                             // the whole-demo replay is fed from this block on
  std::map<std::int64_t, std::uint64_t> requested;  // pictures asked for: block -> version
};

// What an asker wants, under the engine's lock.
struct LiveEngine::Slot {
  char letter = 'M';
  int priority = 0;
  std::vector<std::int64_t> wanted;  // ascending
  std::deque<Segment> segments;      // waiting for the worker
};

struct LiveEngine::Running {
  std::int64_t pos = -1;  // the state is the one before this block
  std::uint64_t version = 0;
  ReplayState state;
};

LiveEngine::LiveEngine(std::function<void()> wake) : LiveEngine(std::move(wake), Options{}) {}

LiveEngine::LiveEngine(std::function<void()> wake, Options options)
    : wake_(std::move(wake)), options_(options), cache_(options.cacheBytes) {
  options_.checkpointEvery = std::max<std::int64_t>(1, options_.checkpointEvery);
  options_.maxCheckpoints = std::max<std::int64_t>(1, options_.maxCheckpoints);
  for (int i = 0; i < 2; ++i) {
    shared_[i] = std::make_unique<Shared>();
    shared_[i]->checkpoints[0] = std::make_shared<const ReplayState>();
    local_[i] = std::make_unique<Local>();
    running_[i] = std::make_unique<Running>();
  }
  for (auto& slot : slots_) slot = std::make_unique<Slot>();
  data_ = std::make_shared<const winquake::GameData>(winquake::GameFiles::FromMemory({}));
  renderer_ = std::make_unique<winquake::SceneRenderer>();
  worker_ = std::thread([this] { Run(); });
}

LiveEngine::~LiveEngine() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  worker_.join();
}

LiveEngine::Shared& LiveEngine::SharedOf(char letter) const { return *shared_[IndexOf(letter)]; }
LiveEngine::Local& LiveEngine::LocalOf(char letter) { return *local_[IndexOf(letter)]; }

void LiveEngine::SetGameFolders(const std::string& baseDir, const std::string& gameDir) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (baseDir == baseDir_ && gameDir == gameDir_) return;
    baseDir_ = baseDir;
    gameDir_ = gameDir;
    dataPending_ = true;
    // The replay tells in the console when a level cannot be drawn from the
    // data: every checkpoint goes, and every picture.
    for (auto& shared : shared_) {
      shared->Changed(0);
      shared->DropCheckpoints([](std::int64_t) { return true; });
      shared->frontier = 0;
    }
    chunks_.clear();
    queuedText_ = 0;
    for (auto& slot : slots_) slot->segments.clear();
  }
  for (auto& local : local_) {
    local->fed = 0;
    local->requested.clear();
  }
  cache_.Clear();
  work_.notify_one();
}

void LiveEngine::Reset(char letter, const TDemFile& demo) {
  const auto entries = static_cast<std::int64_t>(demo.Blocks.size());
  Local& local = LocalOf(letter);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Shared& s = SharedOf(letter);
    s.Changed(0);
    s.entries = entries;
    s.every = options_.checkpointEvery;
    while (entries / s.every > options_.maxCheckpoints) s.every *= 2;
    s.DropCheckpoints([](std::int64_t) { return true; });
    s.events.assign(static_cast<std::size_t>(entries), 0);
    s.frontier = 0;
    s.rewind = false;
    std::erase_if(chunks_, [&](const Chunk& c) {
      if (c.letter == letter) queuedText_ -= c.bytes;
      return c.letter == letter;
    });
    for (auto& slot : slots_)
      if (slot->letter == letter) slot->segments.clear();
  }
  local.hashes.assign(static_cast<std::size_t>(entries), 0);
  local.fed = 0;
  local.requested.clear();
  cache_.DropFrom(letter, 0);
}

void LiveEngine::Changed(char letter, const TDemFile& demo, std::int64_t first) {
  Local& local = LocalOf(letter);
  const auto entries = static_cast<std::int64_t>(demo.Blocks.size());
  const auto copied = static_cast<std::int64_t>(local.hashes.size());
  // The first block whose text differs from the text last copied; a block
  // not copied since it last changed is where nothing computed reaches.
  std::int64_t at = std::max<std::int64_t>(0, first);
  while (at < copied && at < entries && local.hashes[static_cast<std::size_t>(at)] != 0 &&
         local.hashes[static_cast<std::size_t>(at)] == HashOf(*demo.Blocks[static_cast<std::size_t>(at)]))
    ++at;
  if (at >= copied && copied == entries) return;  // nothing changed
  Invalidate(letter, std::min(at, entries), entries);
}

void LiveEngine::Invalidate(char letter, std::int64_t first, std::int64_t entries) {
  Local& local = LocalOf(letter);
  std::vector<std::int64_t> dropped;
  std::int64_t every = 1;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Shared& s = SharedOf(letter);
    s.Changed(first);
    s.entries = entries;
    // A checkpoint holds the state before its block: the one at `first` stays.
    s.DropCheckpoints([first](std::int64_t at) { return at > first; });
    std::int64_t newEvery = options_.checkpointEvery;
    while (entries / newEvery > options_.maxCheckpoints) newEvery *= 2;
    if (newEvery != s.every) {
      s.DropCheckpoints([newEvery](std::int64_t at) { return at % newEvery != 0; });
      s.every = newEvery;
    }
    every = s.every;
    s.events.resize(
        static_cast<std::size_t>(std::min<std::int64_t>(first, static_cast<std::int64_t>(s.events.size()))));
    s.events.resize(static_cast<std::size_t>(entries), 0);
    s.frontier = std::min(s.frontier, first);
    // What waits for the worker is fed again from where it holds.
    for (const Chunk& c : chunks_)
      if (c.letter == letter) local.fed = std::min(local.fed, c.start);
    std::erase_if(chunks_, [&](const Chunk& c) {
      if (c.letter == letter) queuedText_ -= c.bytes;
      return c.letter == letter;
    });
    for (auto& slot : slots_) {
      if (slot->letter != letter) continue;
      for (const Segment& segment : slot->segments)
        dropped.insert(dropped.end(), segment.frames.begin(), segment.frames.end());
      slot->segments.clear();
    }
  }
  for (std::int64_t block : dropped) local.requested.erase(block);
  local.requested.erase(local.requested.lower_bound(first), local.requested.end());
  local.hashes.resize(
      static_cast<std::size_t>(std::min<std::int64_t>(first, static_cast<std::int64_t>(local.hashes.size()))));
  local.hashes.resize(static_cast<std::size_t>(entries), 0);
  local.fed = std::min(local.fed, first) / every * every;
  cache_.DropFrom(letter, first);
}

LiveEngine::BlockText LiveEngine::Copy(Local& local, const TDemFile& demo, std::int64_t block) {
  const Block& b = *demo.Blocks[static_cast<std::size_t>(block)];
  std::string text;
  text.reserve(b.TextSize() + b.Count());
  for (std::size_t i = 0; i < b.Count(); ++i) {
    text.append(b[i]);
    text.push_back('\n');
  }
  if (static_cast<std::size_t>(block) < local.hashes.size()) local.hashes[static_cast<std::size_t>(block)] = HashOf(b);
  return std::make_shared<const std::string>(std::move(text));
}

bool LiveEngine::Pump(char letter, const TDemFile& demo) {
  Local& local = LocalOf(letter);
  const auto entries = static_cast<std::int64_t>(demo.Blocks.size());
  std::uint64_t version = 0;
  std::int64_t every = 1;
  bool room = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Shared& s = SharedOf(letter);
    if (s.rewind) {
      s.rewind = false;
      std::erase_if(chunks_, [&](const Chunk& c) {
        if (c.letter == letter) queuedText_ -= c.bytes;
        return c.letter == letter;
      });
      local.fed = s.frontier / s.every * s.every;
    }
    version = s.version;
    every = s.every;
    room = queuedText_ < options_.maxQueuedText && s.entries == entries;
  }
  if (room && local.fed < entries) {
    Chunk chunk;
    chunk.letter = letter;
    chunk.version = version;
    chunk.start = local.fed;
    chunk.every = every;
    const auto began = std::chrono::steady_clock::now();
    while (local.fed < entries) {
      const std::int64_t end = std::min(entries, (local.fed / every + 1) * every);
      for (std::int64_t b = local.fed; b < end; ++b) {
        chunk.texts.push_back(Copy(local, demo, b));
        chunk.bytes += chunk.texts.back()->size();
      }
      local.fed = end;
      if (std::chrono::steady_clock::now() - began > options_.feedSlice ||
          static_cast<std::int64_t>(chunk.texts.size()) >= kChunkSpans * every)
        break;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      queuedText_ += chunk.bytes;
      chunks_.push_back(std::move(chunk));
    }
    work_.notify_one();
  }
  Request(letter, demo);
  return local.fed < entries;
}

void LiveEngine::Want(LiveAsker asker, char letter, const TDemFile& demo, std::vector<std::int64_t> blocks,
                      int priority) {
  std::sort(blocks.begin(), blocks.end());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  std::vector<std::int64_t> dropped;
  char before = letter;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = *slots_[static_cast<std::size_t>(asker)];
    before = slot.letter;
    if (slot.letter != letter || slot.wanted != blocks) {
      // Pictures not started for the earlier wish are asked for again if
      // still wanted; the one being drawn finishes if still wanted.
      for (const Segment& segment : slot.segments)
        dropped.insert(dropped.end(), segment.frames.begin(), segment.frames.end());
      slot.segments.clear();
      slot.letter = letter;
      slot.wanted = std::move(blocks);
    }
    slot.priority = priority;
  }
  Local& old = LocalOf(before);
  for (std::int64_t block : dropped) old.requested.erase(block);
  Request(letter, demo);
}

void LiveEngine::Request(char letter, const TDemFile& demo) {
  Local& local = LocalOf(letter);
  const auto entries = static_cast<std::int64_t>(demo.Blocks.size());
  for (std::size_t a = 0; a < kLiveAskers; ++a) {
    std::vector<std::int64_t> wanted;
    std::int64_t every = 1, frontier = 0;
    std::uint64_t version = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const Slot& slot = *slots_[a];
      const Shared& s = SharedOf(letter);
      if (slot.letter != letter || s.entries != entries) continue;
      wanted = slot.wanted;
      every = s.every;
      frontier = s.frontier;
      version = s.version;
    }
    // The blocks still missing whose checkpoint is there, in segments: a
    // frame within reach of the one before it goes on from there.
    std::vector<Segment> segments;
    for (std::int64_t block : wanted) {
      if (block < 0 || block >= entries || local.requested.count(block) != 0) continue;
      if (cache_.Find(letter, block) != nullptr) continue;
      const std::int64_t start = block / every * every;
      if (start > frontier) continue;
      if (segments.empty() || segments.back().frames.back() < start) {
        Segment segment;
        segment.letter = letter;
        segment.version = version;
        segment.start = start;
        segments.push_back(std::move(segment));
      }
      Segment& segment = segments.back();
      for (std::int64_t b = segment.start + static_cast<std::int64_t>(segment.texts.size()); b <= block; ++b)
        segment.texts.push_back(Copy(local, demo, b));
      segment.frames.push_back(block);
      local.requested[block] = version;
    }
    if (segments.empty()) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      Slot& slot = *slots_[a];
      for (Segment& segment : segments) slot.segments.push_back(std::move(segment));
    }
    work_.notify_one();
  }
}

LivePicture LiveEngine::Cached(char letter, std::int64_t block) { return cache_.Find(letter, block); }

std::vector<LiveEngine::Arrival> LiveEngine::TakeArrivals() {
  std::deque<Result> results;
  std::vector<bool> fresh;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    results.swap(results_);
    for (const Result& r : results) fresh.push_back(r.block < SharedOf(r.letter).Limit(r.version));
  }
  std::vector<Arrival> arrivals;
  for (std::size_t i = 0; i < results.size(); ++i) {
    Result& r = results[i];
    Local& local = LocalOf(r.letter);
    const auto it = local.requested.find(r.block);
    if (it != local.requested.end() && it->second == r.version) local.requested.erase(it);
    if (r.picture == nullptr || !fresh[i]) continue;
    cache_.Put(r.letter, r.block, std::move(r.picture));
    arrivals.push_back(Arrival{r.letter, r.block});
  }
  return arrivals;
}

std::uint8_t LiveEngine::Events(char letter, std::int64_t first, std::int64_t last) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Shared& s = SharedOf(letter);
  const std::int64_t end = std::min<std::int64_t>(s.frontier, static_cast<std::int64_t>(s.events.size()));
  std::uint8_t events = 0;
  for (std::int64_t b = std::max<std::int64_t>(0, first); b <= last && b < end; ++b)
    events |= s.events[static_cast<std::size_t>(b)];
  return events;
}

std::vector<std::pair<std::int64_t, std::uint8_t>> LiveEngine::EventBlocks(char letter) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const Shared& s = SharedOf(letter);
  const std::int64_t end = std::min<std::int64_t>(s.frontier, static_cast<std::int64_t>(s.events.size()));
  std::vector<std::pair<std::int64_t, std::uint8_t>> blocks;
  for (std::int64_t b = 0; b < end; ++b)
    if (s.events[static_cast<std::size_t>(b)] != 0) blocks.emplace_back(b, s.events[static_cast<std::size_t>(b)]);
  return blocks;
}

std::int64_t LiveEngine::EventsKnown(char letter) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return SharedOf(letter).frontier;
}

std::int64_t LiveEngine::CheckpointEvery(char letter) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return SharedOf(letter).every;
}

std::size_t LiveEngine::CheckpointBytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shared_[0]->checkpointBytes + shared_[1]->checkpointBytes;
}

std::size_t LiveEngine::CheckpointCount(char letter) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return SharedOf(letter).checkpoints.size();
}

bool LiveEngine::HasWork() const {
  if (!chunks_.empty() || dataPending_) return true;
  return std::any_of(std::begin(slots_), std::end(slots_), [](const auto& slot) { return !slot->segments.empty(); });
}

void LiveEngine::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !busy_ && !HasWork(); });
}

void LiveEngine::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stop_ || HasWork(); });
    if (stop_) break;
    busy_ = true;
    if (dataPending_) {
      dataPending_ = false;
      const std::string base = baseDir_, game = gameDir_;
      lock.unlock();
      std::shared_ptr<const winquake::GameData> data = winquake::GameData::Load(base, game);
      lock.lock();
      data_ = std::move(data);
    } else {
      // The viewer's picture and the strips' go before the whole-demo replay.
      Slot* best = nullptr;
      std::size_t bestIndex = 0;
      for (std::size_t a = 0; a < kLiveAskers; ++a) {
        Slot* slot = slots_[a].get();
        if (!slot->segments.empty() && (best == nullptr || slot->priority > best->priority)) {
          best = slot;
          bestIndex = a;
        }
      }
      if (best != nullptr) {
        Segment segment = std::move(best->segments.front());
        best->segments.pop_front();
        RunSegment(lock, segment.letter, bestIndex, std::move(segment));
      } else if (!chunks_.empty()) {
        Chunk chunk = std::move(chunks_.front());
        chunks_.pop_front();
        queuedText_ -= chunk.bytes;
        RunChunk(lock, std::move(chunk));
      }
    }
    busy_ = false;
    if (!HasWork()) idle_.notify_all();
    lock.unlock();
    if (wake_) wake_();
    lock.lock();
  }
}

void LiveEngine::RunSegment(std::unique_lock<std::mutex>& lock, char letter, std::size_t slot, Segment segment) {
  const Shared& s = SharedOf(letter);
  const auto found = s.checkpoints.find(segment.start);
  if (found == s.checkpoints.end() || s.Limit(segment.version) < segment.start) {
    for (std::int64_t block : segment.frames) results_.push_back(Result{letter, segment.version, block, nullptr});
    return;
  }
  const std::shared_ptr<const ReplayState> from = found->second;
  const Slot& asker = *slots_[slot];
  const std::shared_ptr<const winquake::GameData> data = data_;
  lock.unlock();

  ReplayState state = *from;
  std::size_t next = 0;
  for (std::size_t i = 0; i < segment.texts.size() && next < segment.frames.size(); ++i) {
    const std::int64_t block = segment.start + static_cast<std::int64_t>(i);
    const bool frame = segment.frames[next] == block;
    bool draw = false;
    if (frame) {
      lock.lock();
      draw = !stop_ && asker.letter == letter && std::binary_search(asker.wanted.begin(), asker.wanted.end(), block);
      const bool stopping = stop_;
      if (!draw) results_.push_back(Result{letter, segment.version, block, nullptr});
      lock.unlock();
      if (stopping) break;
    }
    const winquake::Demo demo = ParseLiveBlock(*segment.texts[i]);
    if (draw) {
      auto picture = std::make_shared<winquake::Picture>();
      PlayBlock(state, demo, *data, picture.get(), renderer_.get());
      picture->fallbacks.clear();
      lock.lock();
      results_.push_back(Result{letter, segment.version, block, std::move(picture)});
      lock.unlock();
      if (wake_) wake_();
    } else if (block > 0) {
      PlayBlock(state, demo, *data);
    }
    if (frame) ++next;
  }
  lock.lock();
  // Frames not reached (the worker stops) are given back undrawn.
  for (; next < segment.frames.size(); ++next)
    results_.push_back(Result{letter, segment.version, segment.frames[next], nullptr});
}

void LiveEngine::RunChunk(std::unique_lock<std::mutex>& lock, Chunk chunk) {
  const int index = IndexOf(chunk.letter);
  Shared& s = *shared_[index];
  Running& run = *running_[index];
  const bool goOn = run.pos == chunk.start && s.Limit(run.version) >= run.pos;
  std::shared_ptr<const ReplayState> from;
  if (!goOn) {
    const auto found = s.checkpoints.find(chunk.start);
    if (found == s.checkpoints.end()) {
      s.rewind = true;
      return;
    }
    from = found->second;
  }
  const std::shared_ptr<const winquake::GameData> data = data_;
  lock.unlock();

  if (!goOn) run.state = *from;
  std::vector<std::uint8_t> events(chunk.texts.size(), 0);
  std::vector<std::pair<std::int64_t, std::shared_ptr<const ReplayState>>> made;
  for (std::size_t i = 0; i < chunk.texts.size(); ++i) {
    const std::int64_t block = chunk.start + static_cast<std::int64_t>(i);
    if (block > 0) events[i] = PlayBlock(run.state, ParseLiveBlock(*chunk.texts[i]), *data);
    if ((block + 1) % chunk.every == 0) made.emplace_back(block + 1, std::make_shared<const ReplayState>(run.state));
  }
  const std::int64_t end = chunk.start + static_cast<std::int64_t>(chunk.texts.size());
  run.pos = end;
  run.version = chunk.version;

  lock.lock();
  const std::int64_t limit = s.Limit(chunk.version);
  if (chunk.start > s.frontier || limit < chunk.start) return;
  for (auto& [at, state] : made) {
    if (at > limit || at % s.every != 0 || s.checkpoints.count(at) != 0) continue;
    s.checkpointBytes += state->Bytes();
    s.checkpoints.emplace(at, std::move(state));
  }
  const std::int64_t known = std::min({end, limit, s.entries});
  for (std::int64_t b = chunk.start; b < known && b < static_cast<std::int64_t>(s.events.size()); ++b)
    s.events[static_cast<std::size_t>(b)] = events[static_cast<std::size_t>(b - chunk.start)];
  s.frontier = std::max(s.frontier, known);
}

}  // namespace clipvex
