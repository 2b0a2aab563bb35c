// A set of prefixes, such as the [ignore] entries, that tells whether a text
// begins with any of them in one pass over the text, however many there are.
// ASCII letters are compared without regard to case.
#ifndef SONGWHIM_BASE_PREFIX_SET_H_
#define SONGWHIM_BASE_PREFIX_SET_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class PrefixSet {
 public:
  PrefixSet() = default;
  // The set of `prefixes`, ready to use.
  explicit PrefixSet(const std::vector<std::string>& prefixes);

  // Adds `prefix`. Seal must follow the last one before the set is used.
  void Add(std::string_view prefix);
  void Seal();

  // True when `text` begins with one of the prefixes.
  bool Covers(std::string_view text) const;

  std::size_t size() const { return keys_.size(); }
  // Bytes of all the prefixes.
  std::size_t bytes() const { return bytes_; }
  // The prefixes, letters in lower case, sorted.
  std::vector<std::string> Sorted() const;

 private:
  struct Key {
    std::uint64_t hash;   // of the prefix, letters in lower case
    std::uint32_t block;  // where its text lies
    std::uint32_t offset;
    std::uint32_t length;
    bool operator<(const Key& other) const { return hash < other.hash; }
  };
  std::string_view TextOf(const Key& key) const;
  bool HasPrefix(std::string_view text, std::uint64_t hash, std::size_t length) const;

  // The prefixes' text, letters in lower case, in blocks that never move, so
  // that growing costs no copy of what is there.
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;  // bytes used in the last block
  std::size_t bytes_ = 0;
  std::vector<Key> keys_;             // sorted by hash once sealed
  std::vector<std::size_t> lengths_;  // of the prefixes, each once, ascending
};

#endif  // SONGWHIM_BASE_PREFIX_SET_H_
