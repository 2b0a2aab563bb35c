#include "base/checksum.h"

#include <cstring>

void Checksum::Add(const char* data, std::size_t size) {
  bytes_ += size;
  std::size_t i = 0;
  // Bytes of a word begun by the last piece.
  while (pending_count_ > 0 && pending_count_ < 8 && i < size) {
    pending_ |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[i++]))
                << (8 * pending_count_++);
  }
  if (pending_count_ == 8) {
    low_ += pending_;
    high_ += low_;
    pending_ = 0;
    pending_count_ = 0;
  }
  // Two sums a word, which the processor runs through at memory speed.
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    low_ += word;
    high_ += low_;
  }
  for (; i < size; ++i) {
    pending_ |= static_cast<std::uint64_t>(static_cast<unsigned char>(data[i]))
                << (8 * pending_count_++);
  }
}

std::uint64_t Checksum::value() const {
  std::uint64_t low = low_ + pending_, high = high_ + low;
  std::uint64_t mixed =
      high * 0x9e3779b97f4a7c15ULL ^ low ^ bytes_ * 0xc2b2ae3d27d4eb4fULL;
  mixed ^= mixed >> 31;
  mixed *= 0xff51afd7ed558ccdULL;
  mixed ^= mixed >> 33;
  return mixed;
}
