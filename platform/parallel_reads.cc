#include "platform/parallel_reads.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "platform/tree_walk.h"

ParallelReads::ParallelReads(int most) : most_(std::max(most, 0)) {
  int processors = static_cast<int>(std::thread::hardware_concurrency());
  // One processor: the caller alone, unless reads wait.
  std::lock_guard<std::mutex> lock(mutex_);
  while (static_cast<int>(threads_.size()) < std::min(processors - 1, most_)) {
    std::size_t before = threads_.size();
    AddThread();
    if (threads_.size() == before) break;
  }
}

ParallelReads::~ParallelReads() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  job_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void ParallelReads::AddThread() {
  try {
    threads_.emplace_back([this] { Loop(); });
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
}

void ParallelReads::Take() {
  // Items are claimed a few at a time under the lock, and whether their
  // reads waited is told for the few together: each telling is a system call
  // as dear as a read of a file whose tags are known.
  constexpr std::size_t kChunk = 8;
  std::unique_lock<std::mutex> lock(mutex_);
  std::uint64_t job = job_number_;
  while (job == job_number_ && next_ < count_) {
    std::size_t first = next_, last = std::min(count_, next_ + kChunk);
    next_ = last;
    const Work* work = work_;
    lock.unlock();
    WaitMark mark = MarkWaits();
    std::exception_ptr failure;
    for (std::size_t item = first; item < last; ++item) {
      try {
        (*work)(item);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    }
    bool waited = WaitedSince(mark);
    lock.lock();
    if (failure && !failure_) failure_ = failure;
    // Reads that wait go faster side by side; reads that only compute do not.
    if (waited && next_ < count_ && static_cast<int>(threads_.size()) < most_)
      AddThread();
    finished_ += last - first;
    if (finished_ == count_) done_.notify_all();
  }
}

void ParallelReads::Loop() {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    job_.wait(lock, [&] { return ending_ || job_number_ != seen; });
    if (ending_) return;
    seen = job_number_;
    lock.unlock();
    Take();
    lock.lock();
  }
}

void ParallelReads::Run(std::size_t count, const Work& work) {
  if (count == 0) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_ = &work;
    count_ = count;
    next_ = 0;
    finished_ = 0;
    failure_ = nullptr;
    ++job_number_;
  }
  job_.notify_all();
  Take();
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [&] { return finished_ == count_; });
  work_ = nullptr;
  if (failure_) std::rethrow_exception(failure_);
}
