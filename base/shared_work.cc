#include "base/shared_work.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

namespace {

// How long a thread stays awake waiting for the other. Waking a sleeping
// thread can take a tenth of a millisecond on a virtual machine, as long as a
// job may take, and jobs come one after another.
constexpr std::chrono::microseconds kAwake(1000);

// Items a thread takes at a time: few enough that both threads end a job
// close together, enough that taking them costs little.
constexpr std::size_t kChunk = 256;

// Fewer items are not worth waking the helper for: the caller is done with
// them before the helper would be.
constexpr std::size_t kWorthSharing = 2 * kChunk;

// Nor is a shorter pass worth a thread: the helper starts once the jobs have
// held this many items. Over 100 000 lines, starting and waking it cost more
// than it saved.
constexpr std::size_t kLongPass = 200000;

// Lets the other thread on the same core run while this one waits.
inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

}  // namespace

SharedWork::~SharedWork() {
  if (!helper_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  job_.notify_one();
  helper_.join();
}

bool SharedWork::Start() {
  if (!tried_) {
    tried_ = true;
    // On a single processor the two threads would only take turns.
    if (std::thread::hardware_concurrency() > 1) {
      try {
        helper_ = std::thread([this] { Help(); });
      } catch (const std::system_error&) {
      } catch (const std::bad_alloc&) {
      }
    }
  }
  return helper_.joinable();
}

template <typename Ready>
void SharedWork::Await(std::condition_variable* wake, const Ready& ready) {
  auto until = std::chrono::steady_clock::now() + kAwake;
  for (int spin = 1; !ready(); ++spin) {
    Pause();
    if (spin % 64 == 0 && std::chrono::steady_clock::now() > until) {
      std::unique_lock<std::mutex> lock(mutex_);
      wake->wait(lock, ready);
      return;
    }
  }
}

void SharedWork::TakeChunks(std::exception_ptr* failure) {
  for (;;) {
    std::size_t begin = next_.fetch_add(kChunk, std::memory_order_relaxed);
    if (begin >= count_) return;
    try {
      (*work_)(begin, std::min(begin + kChunk, count_));
    } catch (...) {
      // The other chunks are left to nobody.
      next_ = count_;
      *failure = std::current_exception();
      return;
    }
  }
}

void SharedWork::Help() {
  for (;;) {
    std::uint64_t seen = 0;
    Await(&job_, [&] {
      seen = state_.load(std::memory_order_acquire);
      return ending_ || seen % 4 == kPosted;
    });
    if (ending_) return;
    if (!state_.compare_exchange_strong(seen, seen + kClaimed, std::memory_order_acq_rel))
      continue;  // taken back, and maybe another job posted
    std::exception_ptr failure;
    TakeChunks(&failure);
    failure_ = failure;
    state_.store(seen + kDone, std::memory_order_release);
    // Under the lock, so that a caller about to sleep sees the job done first.
    std::lock_guard<std::mutex> lock(mutex_);
    done_.notify_one();
  }
}

void SharedWork::Begin(std::size_t count, const Work& work) {
  work_ = &work;
  count_ = count;
  next_.store(0, std::memory_order_relaxed);
  passed_ += count;
  shared_ = count >= kWorthSharing && passed_ > kLongPass && Start();
  if (!shared_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.store(++jobs_ * 4 + kPosted, std::memory_order_release);
  }
  job_.notify_one();
}

void SharedWork::Finish() {
  std::exception_ptr failure;
  TakeChunks(&failure);
  std::uint64_t posted = jobs_ * 4 + kPosted;
  if (shared_ && !state_.compare_exchange_strong(posted, jobs_ * 4 + kTakenBack,
                                                 std::memory_order_acq_rel)) {
    Await(&done_,
          [&] { return state_.load(std::memory_order_acquire) == jobs_ * 4 + kDone; });
    if (!failure) failure = failure_;
    failure_ = nullptr;
  }
  work_ = nullptr;
  if (failure) std::rethrow_exception(failure);
}
