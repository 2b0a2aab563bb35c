#include <windows.h>

#include "platform/large_block.h"

bool LargeBlock::Allocate(std::size_t bytes) {
  Free();
  if (bytes == 0) return true;
  // Committed memory comes zeroed. Large pages need a privilege that users
  // seldom hold, so these are the usual ones.
  data_ = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!data_) return false;
  size_ = bytes;
  return true;
}

void LargeBlock::Free() {
  if (data_) VirtualFree(data_, 0, MEM_RELEASE);
  data_ = nullptr;
  size_ = 0;
}
