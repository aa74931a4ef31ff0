// Live pictures of the strips' blocks, drawn on a worker thread from a
// replay of the blocks as the preview game plays them.
//
// The worker never touches a strip's blocks: the window's thread copies
// the text of every block a job needs into an immutable string before it
// hands the job over, and hashes it. Each strip has a version that every
// change of its blocks raises, with the first block the change touched; a
// job carries the version its texts were copied at, and what it gives back
// (a picture, a checkpoint, the events of a block) is kept only when no
// later change touched a block it depends on: a block's picture and events
// depend on the blocks up to it, a checkpoint on the blocks before it.
//
// A whole-demo replay runs behind the pictures: it records what happens in
// every block (events) and keeps the replay's state every `every` blocks
// (checkpoints), so that any picture costs at most that many blocks of
// replay. A change drops the checkpoints, events and pictures from the first
// block whose text really differs (the hashes tell) and the replay goes on
// from the checkpoint before it.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "document/block.h"
#include "live/picturecache.h"
#include "live/replay.h"

namespace clipvex {

// Who asks for pictures: each strip for its frames, the block viewer for
// its block. A newer wish of the same asker replaces the older one.
enum class LiveAsker { Source = 0, Final = 1, Viewer = 2 };
inline constexpr std::size_t kLiveAskers = 3;

class LiveEngine {
 public:
  struct Options {
    // Blocks between checkpoints (at least; a power of two), and at most this
    // many checkpoints per strip: a longer demo gets them further apart.
    std::int64_t checkpointEvery = 128;
    std::int64_t maxCheckpoints = 512;
    std::size_t cacheBytes = PictureCache::kDefaultLimit;
    // How long one Feed copies blocks on the calling thread, and how much
    // copied text may wait for the worker.
    std::chrono::microseconds feedSlice{3000};
    std::size_t maxQueuedText = std::size_t{8} << 20;
  };

  // `wake` is called on the worker's thread whenever something waits to be
  // taken (TakeArrivals) or the whole-demo replay moved on.
  explicit LiveEngine(std::function<void()> wake);
  LiveEngine(std::function<void()> wake, Options options);
  ~LiveEngine();
  LiveEngine(const LiveEngine&) = delete;
  LiveEngine& operator=(const LiveEngine&) = delete;

  // Everything below is called on one thread (the window's).

  // The game's data as the preview game finds it: its folder and the game
  // subdirectory. Another place drops every picture and checkpoint.
  void SetGameFolders(const std::string& baseDir, const std::string& gameDir);

  // Strip `letter` ('M' or 'F') holds `demo` from now on (empty: no demo).
  void Reset(char letter, const TDemFile& demo);
  // The blocks of `demo` from `first` on may have changed, moved or gone.
  void Changed(char letter, const TDemFile& demo, std::int64_t first);
  // Copies the next blocks of the whole-demo replay, for at most a slice of
  // time, and hands waiting pictures of this strip to the worker. True
  // while blocks remain to be copied.
  bool Pump(char letter, const TDemFile& demo);

  // The pictures `asker` wants of strip `letter`, most important first
  // (higher `priority` goes before lower; the viewer's before a strip's).
  void Want(LiveAsker asker, char letter, const TDemFile& demo, std::vector<std::int64_t> blocks, int priority);
  LivePicture Cached(char letter, std::int64_t block);

  struct Arrival {
    char letter;
    std::int64_t block;
  };
  // Pictures that came in since the last call (now in the cache).
  std::vector<Arrival> TakeArrivals();

  // The events of blocks `first` to `last` of strip `letter` as far as the
  // replay has got, or'ed together.
  std::uint8_t Events(char letter, std::int64_t first, std::int64_t last) const;
  // Every block with events, in order.
  std::vector<std::pair<std::int64_t, std::uint8_t>> EventBlocks(char letter) const;
  // Blocks below this have their events recorded.
  std::int64_t EventsKnown(char letter) const;

  // Waits until the worker has nothing left to do (tests and benchmarks).
  void WaitIdle();
  const PictureCache& Cache() const { return cache_; }
  std::int64_t CheckpointEvery(char letter) const;
  std::size_t CheckpointBytes() const;
  std::size_t CheckpointCount(char letter) const;

 private:
  using BlockText = std::shared_ptr<const std::string>;
  struct Segment;
  struct Chunk;
  struct Result;
  struct Shared;
  struct Local;
  struct Slot;

  // The strip's shared part, for 'M' and 'F'.
  Shared& SharedOf(char letter) const;
  Local& LocalOf(char letter);
  void Invalidate(char letter, std::int64_t first, std::int64_t entries);
  void Request(char letter, const TDemFile& demo);
  BlockText Copy(Local& local, const TDemFile& demo, std::int64_t block);
  void Run();
  void RunSegment(std::unique_lock<std::mutex>& lock, char letter, std::size_t slot, Segment segment);
  void RunChunk(std::unique_lock<std::mutex>& lock, Chunk chunk);
  bool HasWork() const;

  std::function<void()> wake_;
  Options options_;
  PictureCache cache_;

  mutable std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable idle_;
  std::unique_ptr<Shared> shared_[2];
  std::unique_ptr<Local> local_[2];
  std::unique_ptr<Slot> slots_[kLiveAskers];
  std::deque<Chunk> chunks_;
  std::size_t queuedText_ = 0;
  std::deque<Result> results_;
  std::string baseDir_, gameDir_;
  bool dataPending_ = false;
  bool busy_ = false;
  bool stop_ = false;

  // The worker's own: the game's data, the renderer that keeps lit surfaces
  // from one picture to the next, and where each strip's whole-demo replay
  // stands.
  struct Running;
  std::shared_ptr<const winquake::GameData> data_;
  std::unique_ptr<winquake::SceneRenderer> renderer_;
  std::unique_ptr<Running> running_[2];
  std::thread worker_;
};

}  // namespace clipvex
