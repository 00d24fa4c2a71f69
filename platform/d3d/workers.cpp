#include "platform/d3d/workers.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

namespace platform::raster {
namespace {

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

Workers::Workers(int threads)
    : ring_(kRing),
      next_(std::make_unique<std::atomic<std::uint64_t>[]>(static_cast<size_t>(threads))),
      count_(threads) {
  for (int i = 0; i < threads; ++i) next_[static_cast<size_t>(i)].store(0);
  threads_.reserve(static_cast<size_t>(threads));
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this, i] { Loop(i); });
}

Workers::~Workers() {
  stop_.store(true);
  {
    std::lock_guard lock(mutex_);  // no thread between its last look and its wait
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

std::uint64_t Workers::Slowest() const {
  std::uint64_t slowest = end_.load();
  for (int i = 0; i < count_; ++i) slowest = std::min(slowest, next_[static_cast<size_t>(i)].load());
  return slowest;
}

void Workers::Trim() {
  const std::uint64_t slowest = Slowest();
  for (; first_ < slowest; ++first_) ring_[first_ % kRing].reset();
}

template <typename Ready>
void Workers::Await(std::condition_variable& wake, std::atomic<int>& sleepers, Ready ready) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
  for (int spin = 1; !ready(); ++spin) {
    if (spin % 32 == 0 && std::chrono::steady_clock::now() > until) {
      std::unique_lock lock(mutex_);
      sleepers.fetch_add(1);  // before the last look: see Wake
      wake.wait(lock, ready);
      sleepers.fetch_sub(1);
      return;
    }
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
  }
}

// Called after the change a sleeper waits for is stored. Either the sleeper
// counted itself before that store, and the mutex makes sure it is waiting
// when the notification comes, or its last look comes after the store.
void Workers::Wake(std::condition_variable& wake, const std::atomic<int>& sleepers) {
  if (sleepers.load() == 0) return;
  {
    std::lock_guard lock(mutex_);
  }
  wake.notify_all();
}

void Workers::Submit(std::shared_ptr<const Batch> batch) {
  const std::uint64_t number = end_.load(std::memory_order_relaxed);
  Await(done_, doneSleepers_, [&] { return number - Slowest() < kRing; });
  Trim();
  ring_[number % kRing] = std::move(batch);
  end_.store(number + 1);
  Wake(work_, workSleepers_);
}

void Workers::Finish() {
  Await(done_, doneSleepers_, [&] { return Slowest() == end_.load(std::memory_order_relaxed); });
  Trim();
}

void Workers::Collect() { Trim(); }

void Workers::Loop(int index) {
  const Rows rows{kBand, count_, index};
  std::atomic<std::uint64_t>& next = next_[static_cast<size_t>(index)];
  for (std::uint64_t n = 0;; ++n) {
    Await(work_, workSleepers_, [&] { return end_.load() > n || stop_.load(); });
    if (end_.load() == n) return;  // stopping, and nothing left
    RunBatch(*ring_[n % kRing], rows);
    next.store(n + 1);
    Wake(done_, doneSleepers_);
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
