// A checksum of bytes as they stream past, in pieces of any size: two sums
// of 64-bit words, cheap enough to take of a whole file as it is read, that
// change with any byte and with the order of the words.
#ifndef SONGWHIM_BASE_CHECKSUM_H_
#define SONGWHIM_BASE_CHECKSUM_H_

#include <cstddef>
#include <cstdint>

class Checksum {
 public:
  void Add(const char* data, std::size_t size);
  std::uint64_t value() const;

 private:
  std::uint64_t low_ = 0, high_ = 0;
  std::uint64_t pending_ = 0;  // bytes of a word not yet whole
  int pending_count_ = 0;
  std::uint64_t bytes_ = 0;
};

#endif  // SONGWHIM_BASE_CHECKSUM_H_
