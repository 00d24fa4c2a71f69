// The threads that draw the rasteriser's batches. Every thread draws every
// batch, in the order submitted, on the rows it owns (bands of kBand rows
// dealt out in turn), so each pixel sees its draws in order and no two
// threads ever write the same pixel.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/d3d/batch.h"

namespace platform::raster {

// How many threads the software rasteriser draws with: VOXA2_THREADS when it
// holds a count from 1 to kMaxThreads, else the machine's cores (at most
// kDefaultMaxThreads). 1 draws on the calling thread.
constexpr int kMaxThreads = 64, kDefaultMaxThreads = 16;
int RasterThreadCount();

class Workers {
 public:
  static constexpr int kBand = 16;

  explicit Workers(int threads);
  ~Workers();  // finishes the work submitted
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  // Queues a batch, which must not change while the queue holds it: the
  // queue lets it go (on this thread, in a later Submit or Finish) once every
  // thread has drawn it. Waits while too much is queued.
  void Submit(std::shared_ptr<const Batch> batch);
  // Returns once every batch submitted is drawn.
  void Finish();
  // Lets go of the batches every thread has drawn.
  void Collect();

 private:
  void Loop(int index);
  std::uint64_t Slowest() const;  // the mutex held
  void Trim();                    // the mutex held

  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<std::shared_ptr<const Batch>> queue_;
  std::uint64_t first_ = 0;          // the number of queue_.front()
  std::uint64_t end_ = 0;            // one past the last number submitted
  std::vector<std::uint64_t> next_;  // per thread, the number of the next batch to draw
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

// Runs work(begin, end) over parts of [0, count) on the calling thread and
// threads - 1 helpers at once, returning when every part is done: for work
// that writes only its own part (a draw's vertices), beside the batches.
class ParallelFor {
 public:
  explicit ParallelFor(int threads);
  ~ParallelFor();
  ParallelFor(const ParallelFor&) = delete;
  ParallelFor& operator=(const ParallelFor&) = delete;

  void Run(int count, const std::function<void(int, int)>& work);

 private:
  void Loop(int part);
  void Part(int part) const;  // the parts' bounds, read while a run is on

  std::mutex mutex_;
  std::condition_variable start_, done_;
  const std::function<void(int, int)>* work_ = nullptr;
  int count_ = 0, parts_ = 1, running_ = 0;
  std::uint64_t run_ = 0;  // the number of the current run
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace platform::raster
