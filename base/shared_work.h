// Long passes over many items shared between the caller's thread and one
// helper thread, so that they take about half as long on a machine with a
// processor to spare: the caller starts a job, does work of its own while the
// helper takes the job's items a chunk at a time, then takes what is left
// itself and waits for the helper's last chunk. Where no second thread can be
// had, the caller does all of it. Either way each item is worked on once, and
// a job is done when Finish returns, so what a job writes is the same however
// it ran.
#ifndef SONGWHIM_BASE_SHARED_WORK_H_
#define SONGWHIM_BASE_SHARED_WORK_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class SharedWork {
 public:
  // Works on the items [begin, end) of a job.
  using Work = std::function<void(std::size_t begin, std::size_t end)>;

  // The helper starts once the jobs show a long pass.
  SharedWork() = default;
  ~SharedWork();
  SharedWork(const SharedWork&) = delete;
  SharedWork& operator=(const SharedWork&) = delete;

  // Starts `work` on the items [0, count). Finish must come before the next
  // Begin; `work` must live until then.
  void Begin(std::size_t count, const Work& work);
  // True when the helper may work on the job under way alongside the caller.
  bool shared() const { return shared_; }
  // Works on the items no thread has taken yet, and returns once all of them
  // are done. An exception from the work on any item comes out here, after
  // the helper has stopped working on the job.
  void Finish();

 private:
  bool Start();
  void Help();
  // Works on chunks of the job under way until none is left. False when the
  // work threw, with what it threw in `failure`.
  void TakeChunks(std::exception_ptr* failure);
  // Waits until `ready` holds: for a moment awake, since the other thread
  // is usually about to be done, then asleep on `wake`.
  template <typename Ready>
  void Await(std::condition_variable* wake, const Ready& ready);

  std::mutex mutex_;
  std::condition_variable job_;   // a job to do, or the end
  std::condition_variable done_;  // the helper is done with the job
  std::thread helper_;
  bool tried_ = false;  // to start the helper
  // The job under way.
  const Work* work_ = nullptr;
  std::size_t count_ = 0;
  std::size_t passed_ = 0;            // items of all jobs so far
  bool shared_ = false;               // with the helper
  std::atomic<std::size_t> next_{0};  // the first item no thread has taken
  // The last job shared and how far it is, as 4 * its number + a phase: the
  // helper claims a job before it takes any of its items, and the caller, once
  // it has taken them all, takes back a job nobody claimed rather than wait.
  enum Phase : std::uint64_t { kPosted, kClaimed, kDone, kTakenBack };
  std::uint64_t jobs_ = 0;
  std::atomic<std::uint64_t> state_{kTakenBack};  // job 0, none to claim
  std::atomic<bool> ending_{false};
  std::exception_ptr failure_;  // what the work threw on the helper
};

#endif  // SONGWHIM_BASE_SHARED_WORK_H_
