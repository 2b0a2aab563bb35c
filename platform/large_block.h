// Zeroed memory for a large table that is filled at once. The system may back
// it with large pages, so that touching it for the first time costs one fault
// a couple of megabytes rather than one a few kilobytes: on some virtual
// machines a fault costs some ten microseconds. One file per platform
// implements it.
#ifndef SONGWHIM_PLATFORM_LARGE_BLOCK_H_
#define SONGWHIM_PLATFORM_LARGE_BLOCK_H_

#include <cstddef>

class LargeBlock {
 public:
  LargeBlock() = default;
  ~LargeBlock() { Free(); }
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  // Frees any block held and gets one of `bytes` zeroed bytes. False when the
  // system has no room for it.
  bool Allocate(std::size_t bytes);
  void Free();
  void* data() const { return data_; }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;  // as the system counts it
};

#endif  // SONGWHIM_PLATFORM_LARGE_BLOCK_H_
