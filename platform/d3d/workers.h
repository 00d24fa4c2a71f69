// The threads that draw the rasteriser's batches. Every thread draws every
// batch, in the order submitted, on the rows it owns (bands of kBand rows
// dealt out in turn), so each pixel sees its draws in order and no two
// threads ever write the same pixel.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
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
  static constexpr std::uint64_t kRing = 256;  // batches a slow thread may lag behind by

  void Loop(int index);
  std::uint64_t Slowest() const;
  void Trim();  // on the submitting thread
  // Waits on `wake` until `ready` holds: spins a little first, as the next
  // batch or the last thread is usually a few microseconds away, then sleeps.
  template <typename Ready>
  void Await(std::condition_variable& wake, std::atomic<int>& sleepers, Ready ready);
  void Wake(std::condition_variable& wake, const std::atomic<int>& sleepers);

  // The queue is a ring: batch number n sits in ring_[n % kRing] from its
  // Submit until every thread has drawn it. Only the submitting thread writes
  // the ring, and only slots no thread reads any more.
  std::vector<std::shared_ptr<const Batch>> ring_;
  std::uint64_t first_ = 0;               // the oldest number still held
  std::atomic<std::uint64_t> end_{0};     // one past the last number submitted
  std::unique_ptr<std::atomic<std::uint64_t>[]> next_;  // per thread, the next number to draw
  int count_ = 0;
  std::atomic<bool> stop_{false};
  // Sleeping is done under the mutex, so that a wake-up cannot slip between
  // a sleeper's last look and its wait.
  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::atomic<int> workSleepers_{0}, doneSleepers_{0};
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
