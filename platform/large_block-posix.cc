#include <sys/mman.h>

#include <cstdint>

#include "platform/large_block.h"

namespace {

// The size of a large page where the system has them.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

bool LargeBlock::Allocate(std::size_t bytes) {
  Free();
  if (bytes == 0) return true;
  // A small block is not worth a large page.
  if (bytes < kLargePage) {
    void* got =
        mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (got == MAP_FAILED) return false;
    data_ = got;
    size_ = bytes;
    return true;
  }
  // Whole large pages, on a boundary of one: a block taken a large page
  // longer than asked for, with the ends around the boundary given back.
  std::size_t size = (bytes + kLargePage - 1) / kLargePage * kLargePage;
  void* got = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (got == MAP_FAILED) return false;
  auto start = reinterpret_cast<std::uintptr_t>(got);
  std::uintptr_t aligned = (start + kLargePage - 1) / kLargePage * kLargePage;
  if (aligned > start) munmap(got, aligned - start);
  std::size_t tail = start + size + kLargePage - (aligned + size);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
  data_ = reinterpret_cast<void*>(aligned);
  size_ = size;
#ifdef MADV_HUGEPAGE
  // Only advice: without large pages the block works all the same.
  madvise(data_, size_, MADV_HUGEPAGE);
#endif
  return true;
}

void LargeBlock::Free() {
  if (data_) munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}
