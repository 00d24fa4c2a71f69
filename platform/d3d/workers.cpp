#include "platform/d3d/workers.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace platform::raster {
namespace {

// Batches a slow thread may lag behind by before Submit waits: bounds the
// memory a long frame without a Finish holds.
constexpr std::uint64_t kMaxQueued = 256;

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

Workers::~Workers() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

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

}  // namespace platform::raster
