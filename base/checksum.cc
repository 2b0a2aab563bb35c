#include "base/checksum.h"

#include <algorithm>
#include <cstring>

void Checksum::Block(const char* data) {
  // Four lanes side by side: each sum waits only on its own lane.
  for (int lane = 0; lane < 4; ++lane) {
    std::uint64_t word;
    std::memcpy(&word, data + 8 * lane, 8);
    low_[lane] += word;
    high_[lane] += low_[lane];
  }
}

void Checksum::Add(const char* data, std::size_t size) {
  bytes_ += size;
  std::size_t i = 0;
  // Bytes of a block begun by the last piece.
  if (pending_count_ > 0) {
    std::size_t take = std::min(size, sizeof pending_ - pending_count_);
    std::memcpy(pending_ + pending_count_, data, take);
    pending_count_ += take;
    i = take;
    if (pending_count_ < sizeof pending_) return;
    Block(pending_);
    pending_count_ = 0;
  }
  for (; i + sizeof pending_ <= size; i += sizeof pending_) Block(data + i);
  std::memcpy(pending_, data + i, size - i);
  pending_count_ = size - i;
}

std::uint64_t Checksum::value() const {
  Checksum last = *this;
  // The bytes of a block begun, after zeros; the count tells them apart.
  std::memset(last.pending_ + pending_count_, 0, sizeof pending_ - pending_count_);
  last.Block(last.pending_);
  std::uint64_t mixed = bytes_ * 0xc2b2ae3d27d4eb4fULL;
  for (int lane = 0; lane < 4; ++lane) {
    mixed = (mixed ^ last.low_[lane]) * 0x9e3779b97f4a7c15ULL;
    mixed = (mixed ^ last.high_[lane]) * 0xff51afd7ed558ccdULL;
    mixed ^= mixed >> 31;
  }
  return mixed;
}
