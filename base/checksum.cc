#include "base/checksum.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

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
  // Each sum goes through a full mix of its own: a change of the top bits
  // of a word changes only the top bits of its two sums, which a
  // multiplication alone could let cancel out.
  std::uint64_t mixed = MixBits(bytes_);
  for (int lane = 0; lane < 4; ++lane) {
    mixed = MixBits(mixed ^ last.low_[lane]);
    mixed = MixBits(mixed ^ last.high_[lane]);
  }
  return mixed;
}
