// A checksum of bytes as they stream past, in pieces of any size: two sums
// of 64-bit words in each of four lanes, cheap enough to take of a whole
// file as it is read, that change with any byte and with the order of the
// words.
#ifndef SONGWHIM_BASE_CHECKSUM_H_
#define SONGWHIM_BASE_CHECKSUM_H_

#include <cstddef>
#include <cstdint>

class Checksum {
 public:
  void Add(const char* data, std::size_t size);
  std::uint64_t value() const;

 private:
  // Adds a block of 32 bytes.
  void Block(const char* data);

  std::uint64_t low_[4] = {}, high_[4] = {};
  char pending_[32];  // bytes of a block not yet whole
  std::size_t pending_count_ = 0;
  std::uint64_t bytes_ = 0;
};

#endif  // SONGWHIM_BASE_CHECKSUM_H_
