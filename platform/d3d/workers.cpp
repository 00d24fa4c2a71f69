#include "platform/d3d/workers.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace platform::raster {
namespace {

// Batches a slow thread may lag behind by before Submit waits: bounds the
// memory a long frame without a Finish holds.
constexpr std::uint64_t kMaxQueued = 256;

// Tells the threads to stop, wakes them and waits for them.
void Stop(std::mutex& mutex, bool& stop, std::condition_variable& wake,
          std::vector<std::thread>& threads) {
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  wake.notify_all();
  for (std::thread& t : threads) t.join();
}

}  // namespace

int RasterThreadCount() {
  if (const char* text = std::getenv("VOXA2_THREADS")) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 10);
    if (errno == 0 && end != text && *end == '\0' && n >= 1 && n <= kMaxThreads)
      return static_cast<int>(n);
  }
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores, 1, kDefaultMaxThreads);
}

Workers::Workers(int threads) : next_(static_cast<size_t>(threads), 0) {
  threads_.reserve(static_cast<size_t>(threads));
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this, i] { Loop(i); });
}

Workers::~Workers() { Stop(mutex_, stop_, work_, threads_); }

std::uint64_t Workers::Slowest() const { return *std::min_element(next_.begin(), next_.end()); }

void Workers::Trim() {
  const std::uint64_t slowest = Slowest();
  while (first_ < slowest) {
    queue_.pop_front();
    ++first_;
  }
}

void Workers::Submit(std::shared_ptr<const Batch> batch) {
  {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return end_ - Slowest() < kMaxQueued; });
    Trim();
    queue_.push_back(std::move(batch));
    ++end_;
  }
  work_.notify_all();
}

void Workers::Finish() {
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return Slowest() == end_; });
  Trim();
}

void Workers::Collect() {
  std::lock_guard lock(mutex_);
  Trim();
}

void Workers::Loop(int index) {
  const Rows rows{kBand, static_cast<int>(next_.size()), index};
  std::uint64_t& next = next_[static_cast<size_t>(index)];
  std::unique_lock lock(mutex_);
  for (;;) {
    work_.wait(lock, [&] { return stop_ || next < end_; });
    if (next == end_) return;  // stopping, and nothing left
    const Batch* batch = queue_[static_cast<size_t>(next - first_)].get();
    lock.unlock();
    RunBatch(*batch, rows);
    lock.lock();
    ++next;
    done_.notify_all();
  }
}

ParallelFor::ParallelFor(int threads) : parts_(std::max(threads, 1)) {
  for (int i = 1; i < parts_; ++i) threads_.emplace_back([this, i] { Loop(i); });
}

ParallelFor::~ParallelFor() { Stop(mutex_, stop_, start_, threads_); }

void ParallelFor::Part(int part) const {
  const auto bound = [this](int k) {
    return static_cast<int>(static_cast<std::int64_t>(count_) * k / parts_);
  };
  if (bound(part) < bound(part + 1)) (*work_)(bound(part), bound(part + 1));
}

void ParallelFor::Run(int count, const std::function<void(int, int)>& work) {
  {
    std::lock_guard lock(mutex_);
    work_ = &work;
    count_ = count;
    running_ = parts_ - 1;
    ++run_;
  }
  start_.notify_all();
  Part(0);
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return running_ == 0; });
  work_ = nullptr;
}

void ParallelFor::Loop(int part) {
  std::uint64_t seen = 0;
  std::unique_lock lock(mutex_);
  for (;;) {
    start_.wait(lock, [&] { return stop_ || run_ != seen; });
    if (stop_) return;
    seen = run_;
    lock.unlock();
    Part(part);
    lock.lock();
    if (--running_ == 0) done_.notify_one();
  }
}

}  // namespace platform::raster
