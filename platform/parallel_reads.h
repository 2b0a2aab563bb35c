// Work on many files at once, for reads that wait on the file system: the
// items of a job are taken one by one by the caller and by threads of the
// pool, which starts with one thread a processor and grows, up to 16, while
// the reads wait on the storage (a network share) rather than on the
// processor. Where no thread can be had, the caller does all of it.
#ifndef SONGWHIM_PLATFORM_PARALLEL_READS_H_
#define SONGWHIM_PLATFORM_PARALLEL_READS_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ParallelReads {
 public:
  using Work = std::function<void(std::size_t item)>;

  explicit ParallelReads(int most = 16);
  ~ParallelReads();
  ParallelReads(const ParallelReads&) = delete;
  ParallelReads& operator=(const ParallelReads&) = delete;

  // Runs `work` on each of the items [0, count) once, and returns when all
  // are done. An exception from any item comes out here.
  void Run(std::size_t count, const Work& work);

 private:
  void Loop();
  // Takes items of the job under way until none is left.
  void Take();
  void AddThread();

  const int most_;
  std::mutex mutex_;
  std::condition_variable job_;   // a job to take items of, or the end
  std::condition_variable done_;  // every item of the job is done
  std::vector<std::thread> threads_;
  const Work* work_ = nullptr;
  std::size_t count_ = 0;
  std::size_t next_ = 0;
  std::size_t finished_ = 0;
  std::uint64_t job_number_ = 0;
  bool ending_ = false;
  std::exception_ptr failure_;
};

#endif  // SONGWHIM_PLATFORM_PARALLEL_READS_H_
